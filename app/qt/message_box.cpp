#include "app/qt/message_box.h"

#include <QPushButton>
#include <vector>

namespace icoforge {
namespace {

constexpr std::int32_t kButtonsMask = 0x0F;
constexpr std::int32_t kIconMask = 0xF0;

// MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL; any
// other number shows OK alone, as Windows does.
std::vector<QMessageBox::StandardButton> ButtonsOf(std::int32_t style) {
    using B = QMessageBox::StandardButton;
    switch (style & kButtonsMask) {
        case 1: return {B::Ok, B::Cancel};
        case 2: return {B::Abort, B::Retry, B::Ignore};
        case 3: return {B::Yes, B::No, B::Cancel};
        case 4: return {B::Yes, B::No};
        case 5: return {B::Retry, B::Cancel};
        default: return {B::Ok};
    }
}

QMessageBox::Icon IconOf(std::int32_t style) {
    switch (style & kIconMask) {
        case 0x10: return QMessageBox::Critical;
        case 0x20: return QMessageBox::Question;
        case 0x30: return QMessageBox::Warning;
        case 0x40: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

QString QtText(std::string_view text) {
    QString converted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return converted;
}

std::unique_ptr<QMessageBox> BuildMessageBox(std::string_view text, std::int32_t style, std::string_view caption) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QtText(caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(QtText(text));
    box->setIcon(IconOf(style));
    const auto buttons = ButtonsOf(style);
    for (const auto button : buttons) box->addButton(button);
    box->setDefaultButton(buttons.front());
    // Task-modal and system-modal both hold the whole program; a system-modal box also
    // stays above other programs' windows.
    box->setWindowModality(Qt::ApplicationModal);
    if ((style & kStyleSystemModal) != 0) box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

MessageBoxButton ButtonPressed(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Cancel: return MessageBoxButton::Cancel;
        case QMessageBox::Abort: return MessageBoxButton::Abort;
        case QMessageBox::Retry: return MessageBoxButton::Retry;
        case QMessageBox::Ignore: return MessageBoxButton::Ignore;
        case QMessageBox::Yes: return MessageBoxButton::Yes;
        case QMessageBox::No: return MessageBoxButton::No;
        default: return MessageBoxButton::Ok;
    }
}

}  // namespace icoforge
