#pragma once
// The decisions of the window's drop target, apart from OLE: which effect a drag shows,
// which events a drop raises and with what text, and the drop object's stored settings.
// The Windows window wraps this in an IDropTarget; the rules are tested everywhere.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"

namespace icoforge {

// DROPEFFECT_* values.
enum DropEffect : std::uint32_t {
    kDropEffectNone = 0,
    kDropEffectCopy = 1,
    kDropEffectMove = 2,
    kDropEffectLink = 4,
};

// MK_* key-state bits.
constexpr std::uint32_t kKeyShift = 0x0004;
constexpr std::uint32_t kKeyControl = 0x0008;

struct DropChoice {
    std::uint32_t effect = kDropEffectNone;
    bool accepted = false;
};

// Ctrl+Shift asks for a link, Ctrl for a copy, Shift for a move, each granted only when
// allowed; a link asked for by the keys is never granted. Without keys the first allowed
// of copy, move, link is taken. Nothing is accepted while the drag offers no wanted kind.
DropChoice ChooseDropEffect(bool accepting, std::uint32_t key_state, std::uint32_t allowed_effects);

// The text of FilesDropped: one path alone as it is; several each followed by "\r\n";
// none empty.
std::string FilesDroppedText(const std::vector<std::string>& paths);

// Dropped HTML with every no-break space (U+00A0) made an ordinary space.
std::string HtmlDroppedText(std::string_view utf8_html);

// The drop object's switches.
struct DropSettings {
    bool accept_text = false;
    bool accept_html = false;
    bool accept_url = false;
    bool accept_files = false;
    bool operator==(const DropSettings&) const = default;
};

// The settings block: five little-endian 32-bit values (version, then the four switches
// in the order above; any non-zero value is on). No block at all means every switch off;
// a version above 1, or a block shorter than five values, is refused.
constexpr std::size_t kDropSettingsBlockSize = 20;
std::optional<DropSettings> ReadDropSettings(ByteView block);
ByteBuffer WriteDropSettings(const DropSettings& settings);

enum class DropKind { kText, kHtml, kUrl, kFiles };

// The events, numbered as the drop object raises them.
enum class DropEvent : std::int32_t { kTextDropped = 0, kHtmlDropped = 1, kUrlDropped = 2, kFilesDropped = 3 };

// The data object of one drag, as the drop target questions it.
class DropData {
public:
    virtual ~DropData() = default;
    // Whether the object says it can deliver `kind` (QueryGetData).
    virtual bool Offers(DropKind kind) const = 0;
    // The delivered text of a text kind (text, HTML, URL), UTF-8; nothing when the
    // object does not deliver it.
    virtual std::optional<std::string> Text(DropKind kind) const = 0;
    // The dropped file list, in drop order; nothing when not delivered.
    virtual std::optional<std::vector<std::string>> Files() const = 0;
};

using DropEventSink = std::function<void(DropEvent, const std::string&)>;

// One drop target's state across a drag: DragEnter, any number of DragOver, then
// DragLeave or Drop.
class DropTargetState {
public:
    explicit DropTargetState(DropSettings settings = {}) : settings_(settings) {}

    const DropSettings& settings() const { return settings_; }
    void set_settings(const DropSettings& settings) { settings_ = settings; }
    bool accepting() const { return accepting_; }

    DropChoice DragEnter(const DropData& data, std::uint32_t key_state, std::uint32_t allowed_effects);
    DropChoice DragOver(std::uint32_t key_state, std::uint32_t allowed_effects) const;
    void DragLeave() { accepting_ = false; }
    // Raises the events of the switched-on kinds, in the order text, HTML, URL, files,
    // once the drop is accepted. The OLE wrapper reports E_FAIL whatever was raised,
    // with the effect chosen here.
    DropChoice Drop(const DropData& data, std::uint32_t key_state, std::uint32_t allowed_effects,
                    const DropEventSink& raise) const;

private:
    DropSettings settings_;
    bool accepting_ = false;
};

// RegisterDropWindow's rule: the first call records the window and registers it; every
// later call refuses, even when that first registration failed.
class DropRegistration {
public:
    bool Register(std::uintptr_t window, const std::function<bool(std::uintptr_t)>& register_drag_drop);
    std::optional<std::uintptr_t> window() const { return window_; }

private:
    std::optional<std::uintptr_t> window_;
};

}  // namespace icoforge
