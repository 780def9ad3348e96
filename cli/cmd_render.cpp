#include "app/board/drawing_board.h"
#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/stdio_file.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge render [-s SIZE] FILE OUTPUT.bmp\n"
    "  Draws the picture FILE (BMP, JPEG, PNG, icon, cursor, GIF or PCX, recognised by\n"
    "  content) fitted on the drawing board of SIZE x SIZE pixels (default 32, 16 to 256)\n"
    "  and writes its snapshot as a 24-bit BMP. Prints OUTPUT. When FILE cannot be read or\n"
    "  drawn, the snapshot of the bare background is still written, and the exit status is 1.\n";

constexpr OptionRule kOptions[] = {{"-s", true}};

// The icon sizes the board is asked to draw at; a snapshot beyond them is no icon.
constexpr long long kSmallestSize = 16;
constexpr long long kLargestSize = 256;
constexpr long long kDefaultSize = 32;
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

}  // namespace

int RunRender(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 2) return UsageError("render takes a picture and an output path", kUsage);
    long long size = kDefaultSize;
    if (const std::string* text = line.Value("-s")) {
        if (!ParseInt(*text, size) || size < kSmallestSize || size > kLargestSize)
            return UsageError("the size must be a number from 16 to 256", kUsage);
    }
    const std::string& source = line.operands[0];
    const std::string& output = line.operands[1];
    if (IsSameFile(source, output)) return OutputIsSource(source, output);

    const auto edge = static_cast<std::int32_t>(size);
    DrawingBoard board;
    // Size and mode first, so that the picture is decoded once, at the size it is drawn.
    board.SetSize(edge, edge);
    board.SetPictureMode(kFittedModeValue);
    const auto file = OpenStdioFile(source, "rb");
    Result<> read = file ? Result<>() : Fail(file.error());
    bool drawn = false;
    if (file) {
        FilePictureStream stream(file->get());
        drawn = board.SetPictureFrom(stream, kWholeFileReadLimit);
        if (stream.failed()) read = Fail("read", source, "the file could not be read to its end");
    }

    if (const auto written = WriteWholeFile(output, board.TakeSnapshot(edge, edge)); !written)
        return ReportFailure(written.error());
    PrintPath(output);
    if (!read) return ReportFailure(read.error());
    if (!drawn)
        return Failure("cannot draw " + Quoted(source) +
                       ": not a picture the board knows, damaged, or too large; the snapshot shows the bare background");
    return kExitSuccess;
}

}  // namespace icoforge::cli
