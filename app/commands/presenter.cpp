#include "app/commands/presenter.h"

#include <algorithm>

#include "app/board/drawing_board.h"
#include "app/commands/texts.h"
#include "common/command_text.h"
#include "common/path.h"
#include "iconbuild/icon_builder.h"
#include "iconextract/extract.h"
#include "imageconv/convert.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"
#include "platform/stdio_file.h"

namespace icoforge {
namespace {

// The board is told "fitted" by any value above 2; the command has always said 10.
constexpr std::int32_t kFittedModeValue = 10;

std::string JoinPath(std::string_view folder, std::string_view name) {
    return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
}

ByteBuffer ReadOrEmpty(std::string_view path) { return ReadWholeFile(path).value_or(ByteBuffer{}); }

}  // namespace

AppFolders SystemFolders(std::string program_folder) {
    return {std::move(program_folder), GetSpecialFolder(static_cast<std::int32_t>(SpecialFolder::kTemporary)),
            GetSpecialFolder(static_cast<std::int32_t>(SpecialFolder::kDesktop))};
}

Presenter::Presenter(Ui& ui, AppFolders folders) : ui_(ui), folders_(std::move(folders)) {}

void Presenter::OnCreated() { UpdateIconSize(); }

void Presenter::OnDestroying() {
    for (const auto& path : temporary_files_) RemoveFile(path);
    temporary_files_.clear();
}

void Presenter::UpdateIconSize() {
    constexpr struct {
        IconSizeChoice choice;
        std::int32_t edge;
    } kChoices[] = {{IconSizeChoice::Size16, 16},
                    {IconSizeChoice::Size32, 32},
                    {IconSizeChoice::Size64, 64},
                    {IconSizeChoice::Size128, 128}};
    for (const auto& [choice, edge] : kChoices) {
        if (ui_.IsSizeChecked(choice)) {
            icon_size_ = {edge, edge};
            return;
        }
    }
}

void Presenter::OnClicked(window::Control control) {
    using window::Control;
    switch (control) {
        case Control::kSize16:
        case Control::kSize32:
        case Control::kSize64:
        case Control::kSize128: UpdateIconSize(); break;
        case Control::kExtract: Extract(); break;
        case Control::kSelectFile: SelectFile(); break;
        case Control::kDeleteIcons: DeleteIcons(); break;
        case Control::kAbout: ShowAbout(); break;
        case Control::kBoard:
        case Control::kSizeGroup:
        case Control::kPath: break;
    }
}

MessageAnswer Presenter::ShowMessage(MessageKind kind, std::string_view text, std::string_view caption) {
    return ui_.ShowMessage({kind, text, caption.empty() ? texts::kDefaultMessageCaption : caption});
}

void Presenter::ShowBalloonAtMouse(std::string_view text, BalloonLife life) {
    ui_.ShowBalloon(ui_.MousePosition(), text, life);
    no_icons_balloon_up_ = false;
}

std::string Presenter::NumberedIconPath(std::int32_t number) const {
    return JoinPath(folders_.program, std::to_string(number) + ".ico");
}

void Presenter::RememberTemporaryFile(const std::string& path) {
    if (std::ranges::find(temporary_files_, path) == temporary_files_.end()) temporary_files_.push_back(path);
}

ExtractReport Presenter::Extract() {
    ExtractReport report;
    icons_written_.clear();
    if (!ContainsDot(current_source_path_)) {
        ShowMessage(MessageKind::kError, texts::kBadPath);
        return report;
    }
    report.source = ExtractSource::kIcons;
    const std::int32_t count = GetIconCount(current_source_path_);
    report.icon_count = count;
    bool all_written = true;
    const auto outcomes = ExtractEveryIconGroup(current_source_path_, count,
                                                [this](std::int32_t n) { return NumberedIconPath(n); });
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const std::string path = NumberedIconPath(static_cast<std::int32_t>(i) + 1);
        if (outcomes[i].written) {
            icons_written_.push_back(path);
        } else {
            all_written = false;
            report.failures.push_back(outcomes[i].written.error());
        }
    }
    if (GetIconCount(current_source_path_) != 0) {
        report.succeeded = all_written;
        ShowBalloonAtMouse(all_written ? texts::kExtractSucceeded : texts::kExtractFailed, BalloonLife::kStays);
    }
    last_extracted_path_ = ui_.EditText();

    // A module is an icon source by its content; anything else by its name.
    if (!HasIconSourceExtension(current_source_path_) && !IsModuleFile(current_source_path_)) {
        report.source = ExtractSource::kPicture;
        report.succeeded = ExtractPicture(report);
        ShowBalloonAtMouse(report.succeeded ? texts::kExtractSucceeded : texts::kExtractFailed, BalloonLife::kStays);
    }
    report.written = icons_written_;
    return report;
}

// Draws the picture named in the edit box on the board at the icon size and makes 1.ico of
// it; true when the picture was drawn and 1.ico holds a whole icon. The source is read from
// the edit box, not currentSourcePath, which names the last run's conversion after a run.
bool Presenter::ExtractPicture(ExtractReport& report) {
    DrawingBoard board(kDefaultBoardBackground, StretchQualityForScreenDepth(ui_.ScreenBitsPerPixel()));
    // Size and mode before the picture, so that a large picture is decoded once, at the
    // size it is drawn; the snapshot is the same either way.
    board.SetSize(icon_size_.width, icon_size_.height);
    board.SetPictureMode(kFittedModeValue);
    bool drawn = false;
    if (const auto file = OpenStdioFile(ui_.EditText(), "rb")) {
        // Read in pieces, so that a large JPEG or PNG is never held whole.
        StdioPictureStream stream(file->get());
        drawn = board.SetPictureFrom(stream, kWholeFileReadLimit) && std::ferror(file->get()) == 0;
    }

    const std::string letter = TemporaryLetterFor(current_source_path_);
    // Without a temporary folder nothing is written, rather than a bare letter in
    // whatever folder is current.
    const std::string snapshot_path = folders_.temporary.empty() ? std::string() : folders_.temporary + letter;
    const std::string converted_path = snapshot_path.empty() ? std::string() : snapshot_path + ".bmp";
    if (WriteWholeFile(snapshot_path, board.TakeSnapshot(icon_size_.width, icon_size_.height)))
        RememberTemporaryFile(snapshot_path);
    if (ConvertToBmp(snapshot_path, converted_path) == kConvertOk) RememberTemporaryFile(converted_path);
    current_source_path_ = converted_path;

    // The fallback builder reads any bitmap as plain 24-bit rows; it is asked only when
    // the first could not build from the conversion. An empty result still replaces 1.ico,
    // so that no icon of an earlier run passes for this one.
    const std::string icon_path = NumberedIconPath(1);
    ByteBuffer icon;
    BuildIconFromBitmap(ReadOrEmpty(current_source_path_), icon);
    auto icon_written = WriteWholeFile(icon_path, icon);
    if (ReadOrEmpty(icon_path).empty()) {
        BuildIconFromBitmapBytes(ReadOrEmpty(current_source_path_), icon);
        icon_written = WriteWholeFile(icon_path, icon);
    }
    if (!icon_written) report.failures.push_back(icon_written.error());
    const bool whole_icon = icon_written && !icon.empty();
    if (whole_icon) icons_written_.push_back(icon_path);
    report.picture_drawn = drawn;
    return drawn && whole_icon;
}

void Presenter::SelectFile() {
    OpenFileDialogSettings settings;
    settings.initial_folder = folders_.desktop;
    settings.filters = texts::kOpenFileFilters;
    settings.file_name = last_chosen_file_;
    const auto chosen = ui_.ShowOpenFileDialog(settings);
    if (!chosen) return;
    last_chosen_file_ = *chosen;
    ReplaceEditText(*chosen);
}

void Presenter::OnFilesDropped(std::string_view paths) { ReplaceEditText(paths); }

void Presenter::OpenFile(std::string_view path) {
    if (!path.empty()) OnFilesDropped(path);
}

void Presenter::OnUserEdit() { OnContentChanged(EditChange::kUser); }

void Presenter::ReplaceEditText(std::string_view text) {
    ui_.SetEditText(text);
    OnContentChanged(EditChange::kProgram);
}

void Presenter::OnContentChanged(EditChange change) {
    current_source_path_ = ui_.EditText();
    if (MentionsShortcut(current_source_path_)) ReplaceEditText(ResolveShortcut(current_source_path_));
    const std::int32_t count = GetIconCount(current_source_path_);
    ui_.SetCaption(std::string(texts::kCountCaptionStart) + std::to_string(count) +
                   std::string(texts::kCountCaptionEnd));
    if (change == EditChange::kProgram) ui_.SelectEditText(static_cast<std::int32_t>(current_source_path_.size()));
    if (count == 0) {
        ShowBalloonAtMouse(texts::kNoIconsFound, BalloonLife::kHidesByItself);
        no_icons_balloon_up_ = true;
    } else if (no_icons_balloon_up_) {
        // Saying there are no icons beside a caption that counts them would contradict it.
        ui_.HideBalloon();
        no_icons_balloon_up_ = false;
    }
}

void Presenter::DeleteIcons() {
    if (ShowMessage(MessageKind::kConfirmation, texts::kDeleteConfirmation) != MessageAnswer::kYes) return;
    if (GetIconCount(last_extracted_path_) == 0) return;
    const std::int32_t count = GetIconCount(last_extracted_path_);
    for (std::int32_t n = 1; n <= count; ++n) RemoveFile(NumberedIconPath(n));
    last_extracted_path_.clear();
}

void Presenter::ShowAbout() {
    ShowMessage(MessageKind::kInformation, AboutText() + std::string(texts::kAboutEnding), texts::kAboutCaption);
}

}  // namespace icoforge
