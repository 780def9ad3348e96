#include "app/qt/drop_data.h"

#include <QUrl>

namespace icoforge {
namespace {

std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (mime == nullptr || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    }
    return files;
}

std::optional<QUrl> FirstOtherUrl(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) return url;
    }
    return std::nullopt;
}

}  // namespace

bool MimeDropData::Offers(DropKind kind) const {
    if (mime_ == nullptr) return false;
    switch (kind) {
        case DropKind::kText: return mime_->hasText();
        case DropKind::kHtml: return mime_->hasHtml();
        case DropKind::kUrl: return FirstOtherUrl(mime_).has_value();
        case DropKind::kFiles: return !LocalFiles(mime_).empty();
    }
    return false;
}

std::optional<std::string> MimeDropData::Text(DropKind kind) const {
    if (!Offers(kind)) return std::nullopt;
    switch (kind) {
        case DropKind::kText: return mime_->text().toStdString();
        case DropKind::kHtml: return mime_->html().toStdString();
        case DropKind::kUrl: return FirstOtherUrl(mime_)->toString().toStdString();
        case DropKind::kFiles: break;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> MimeDropData::Files() const {
    std::vector<std::string> files = LocalFiles(mime_);
    if (files.empty()) return std::nullopt;
    return files;
}

std::uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers) {
    std::uint32_t keys = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) keys |= kKeyShift;
    if (modifiers.testFlag(Qt::ControlModifier)) keys |= kKeyControl;
    return keys;
}

std::uint32_t DropEffectsOf(Qt::DropActions actions) {
    std::uint32_t effects = kDropEffectNone;
    if (actions.testFlag(Qt::CopyAction)) effects |= kDropEffectCopy;
    if (actions.testFlag(Qt::MoveAction)) effects |= kDropEffectMove;
    if (actions.testFlag(Qt::LinkAction)) effects |= kDropEffectLink;
    return effects;
}

Qt::DropAction DropActionOf(std::uint32_t effect) {
    switch (effect) {
        case kDropEffectCopy: return Qt::CopyAction;
        case kDropEffectMove: return Qt::MoveAction;
        case kDropEffectLink: return Qt::LinkAction;
        default: return Qt::IgnoreAction;
    }
}

}  // namespace icoforge
