#include "app/board/drawing_board.h"
#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/stdio_file.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"the drawing board's snapshot of a picture", "画板上图片的快照"};
constexpr Message kDescription{
    "Draws the picture FILE (BMP, JPEG, PNG, icon, cursor, GIF or PCX, recognised by content)\n"
    "fitted on the drawing board of SIZE x SIZE pixels and writes its snapshot as a 24-bit BMP.\n"
    "Prints OUTPUT. When FILE cannot be read or drawn, nothing is written and the exit status is 1.",
    "把图片 FILE（BMP、JPEG、PNG、图标、光标、GIF 或 PCX，按内容识别）适应地画在 SIZE x SIZE\n"
    "像素的画板上，并把快照写成 24 位 BMP。输出 OUTPUT。FILE 无法读取或绘制时不写任何文件，\n"
    "退出状态为 1。"};
constexpr Message kSizeHelp{"the board's edge in pixels, 16 to 256 (default 32)", "画板边长（像素），16 到 256（默认 32）"};
constexpr Message kNotDrawn{"cannot draw {1}: not a picture the board knows, damaged, or too large",
                            "无法绘制 {1}：不是画板认识的图片、已损坏或太大"};
constexpr Message kNotReadToEnd{"the file could not be read to its end", "文件无法读到结尾"};

// The icon sizes the board is asked to draw at; a snapshot beyond them is no icon.
constexpr std::int64_t kSmallestSize = 16;
constexpr std::int64_t kLargestSize = 256;
constexpr std::int64_t kDefaultSize = 32;
// Pictures are shown in the board's fitted mode, whatever value asks for it.
constexpr std::int32_t kFittedModeValue = 10;

// The picture file read in pieces, so that a large JPEG or PNG is never held whole.
class FilePictureStream : public PictureStream {
public:
    explicit FilePictureStream(std::FILE* file) : file_(file) {}
    std::size_t Read(std::uint8_t* out, std::size_t size) override { return std::fread(out, 1, size, file_); }
    bool failed() const { return std::ferror(file_) != 0; }

private:
    std::FILE* file_;
};

int Run(const Invocation& run) {
    const std::string& source = run.Operand("FILE");
    const std::string& output = run.Operand("OUTPUT.bmp");
    if (IsSameFile(source, output)) return OutputIsSource(run, source, output);

    const auto edge = static_cast<std::int32_t>(run.Number("--size").value_or(kDefaultSize));
    DrawingBoard board;
    // Size and mode first, so that the picture is decoded once, at the size it is drawn.
    board.SetSize(edge, edge);
    board.SetPictureMode(kFittedModeValue);
    const auto file = OpenStdioFile(source, "rb");
    if (!file) return Report(run, file.error());
    FilePictureStream stream(file->get());
    const bool drawn = board.SetPictureFrom(stream, kWholeFileReadLimit);
    if (stream.failed()) return CannotRead(run, source, run.Text(kNotReadToEnd));
    // A snapshot of the bare background would pass for the picture: none is written.
    if (!drawn) return run.Fail(run.Text(kNotDrawn, {Quoted(source)}));

    if (const auto written = WriteWholeFile(output, board.TakeSnapshot(edge, edge)); !written)
        return Report(run, written.error());
    run.console().Path(output);
    return kExitSuccess;
}

constexpr OptionRow kOptions[] = {{"-s", "--size", "SIZE", kSizeHelp, NumberFrom(kSmallestSize, kLargestSize)}};
constexpr OperandRow kOperands[] = {{"FILE"}, {"OUTPUT.bmp"}};

}  // namespace

const Subcommand kRenderCommand{"render", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
