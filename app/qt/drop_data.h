#pragma once
// Qt's side of a drag, in the terms of the portable drop target: the dragged MIME data as
// a DropData, Qt's modifiers as a key state, Qt's drop actions as drop effects.

#include <QMimeData>
#include <Qt>

#include "shell/drop_target.h"

namespace icoforge {

// Files are the local files of a text/uri-list; a URL is any other URL in it.
class MimeDropData : public DropData {
public:
    explicit MimeDropData(const QMimeData* mime) : mime_(mime) {}
    bool Offers(DropKind kind) const override;
    std::optional<std::string> Text(DropKind kind) const override;
    std::optional<std::vector<std::string>> Files() const override;

private:
    const QMimeData* mime_;
};

// Shift and Ctrl as the key-state bits; the other modifiers play no part in a drop.
std::uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers);
std::uint32_t DropEffectsOf(Qt::DropActions actions);
// The action shown for a chosen effect; Qt::IgnoreAction for none.
Qt::DropAction DropActionOf(std::uint32_t effect);

}  // namespace icoforge
