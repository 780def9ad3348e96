#include "shell/drop_target.h"

#include <utility>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

constexpr std::uint32_t kMaxSettingsVersion = 1;
constexpr std::string_view kNoBreakSpace = "\xC2\xA0";
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

DropChoice ChooseDropEffect(bool accepting, std::uint32_t key_state, std::uint32_t allowed_effects) {
    if (!accepting) return {};
    const bool control = (key_state & kKeyControl) != 0;
    const bool shift = (key_state & kKeyShift) != 0;
    std::uint32_t effect = kDropEffectNone;
    if (control || shift) {
        const std::uint32_t preference = control && shift ? kDropEffectLink : control ? kDropEffectCopy : kDropEffectMove;
        // Asking for a link with the keys is refused even where links are allowed.
        if (preference != kDropEffectLink && (allowed_effects & preference) != 0) effect = preference;
    } else {
        for (std::uint32_t candidate : {kDropEffectCopy, kDropEffectMove, kDropEffectLink}) {
            if ((allowed_effects & candidate) != 0) {
                effect = candidate;
                break;
            }
        }
    }
    return {effect, effect != kDropEffectNone};
}

std::string FilesDroppedText(const std::vector<std::string>& paths) {
    if (paths.size() == 1) return paths.front();
    std::string text;
    for (const auto& path : paths) {
        text += path;
        text += kLineEnd;
    }
    return text;
}

std::string HtmlDroppedText(std::string_view utf8_html) {
    std::string text;
    text.reserve(utf8_html.size());
    for (std::size_t i = 0; i < utf8_html.size();) {
        if (utf8_html.substr(i, kNoBreakSpace.size()) == kNoBreakSpace) {
            text += ' ';
            i += kNoBreakSpace.size();
        } else {
            text += utf8_html[i++];
        }
    }
    return text;
}

std::optional<DropSettings> ReadDropSettings(ByteView block) {
    if (block.empty()) return DropSettings{};
    ByteReader reader(block);
    const auto version = reader.U32();
    const auto text = reader.U32();
    const auto html = reader.U32();
    const auto url = reader.U32();
    const auto files = reader.U32();
    if (!reader.ok() || *version > kMaxSettingsVersion) return std::nullopt;
    return DropSettings{*text != 0, *html != 0, *url != 0, *files != 0};
}

ByteBuffer WriteDropSettings(const DropSettings& settings) {
    ByteWriter writer(kDropSettingsBlockSize);
    writer.U32(kMaxSettingsVersion);
    for (bool on : {settings.accept_text, settings.accept_html, settings.accept_url, settings.accept_files})
        writer.U32(on ? 1 : 0);
    return writer.Take();
}

DropChoice DropTargetState::DragEnter(const DropData& data, std::uint32_t key_state, std::uint32_t allowed_effects) {
    // Asked in this order, and only until one answers.
    const std::pair<bool, DropKind> wanted[] = {{settings_.accept_text, DropKind::kText},
                                                {settings_.accept_files, DropKind::kFiles},
                                                {settings_.accept_url, DropKind::kUrl},
                                                {settings_.accept_html, DropKind::kHtml}};
    accepting_ = false;
    for (const auto& [on, kind] : wanted) {
        if (on && data.Offers(kind)) {
            accepting_ = true;
            break;
        }
    }
    return ChooseDropEffect(accepting_, key_state, allowed_effects);
}

DropChoice DropTargetState::DragOver(std::uint32_t key_state, std::uint32_t allowed_effects) const {
    return ChooseDropEffect(accepting_, key_state, allowed_effects);
}

DropChoice DropTargetState::Drop(const DropData& data, std::uint32_t key_state, std::uint32_t allowed_effects,
                                 const DropEventSink& raise) const {
    const DropChoice choice = ChooseDropEffect(accepting_, key_state, allowed_effects);
    if (!choice.accepted) return choice;
    // Rich sources deliver the same content as plain text and as HTML; where the HTML
    // event is raised the text one would only repeat it. With HTML switched off the text
    // is all the receiver gets, so it is raised.
    const auto html = settings_.accept_html ? data.Text(DropKind::kHtml) : std::nullopt;
    if (settings_.accept_text && !html) {
        if (auto text = data.Text(DropKind::kText)) raise(DropEvent::kTextDropped, *text);
    }
    if (html) raise(DropEvent::kHtmlDropped, HtmlDroppedText(*html));
    if (settings_.accept_url) {
        if (auto url = data.Text(DropKind::kUrl)) raise(DropEvent::kUrlDropped, *url);
    }
    if (settings_.accept_files) {
        if (auto files = data.Files()) raise(DropEvent::kFilesDropped, FilesDroppedText(*files));
    }
    return choice;
}

bool DropRegistration::Register(std::uintptr_t window, const std::function<bool(std::uintptr_t)>& register_drag_drop) {
    if (window_) return false;
    window_ = window;
    return register_drag_drop(window);
}

}  // namespace icoforge
