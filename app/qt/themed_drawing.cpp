#include "app/qt/themed_drawing.h"

#include <QApplication>

namespace icoforge {
namespace {

struct Palette {
    const char* accent;
    const char* accent_dark;  // pressed
    const char* accent_pale;  // hover fill
};

// Indexed by scheme - 1.
constexpr Palette kPalettes[] = {
    {"#16A34A", "#15803D", "#ECFDF3"},
    {"#475569", "#334155", "#F1F5F9"},
    {"#2563EB", "#1D4ED8", "#EFF4FF"},
};

// One sheet for every scheme; %1 accent, %2 pressed, %3 hover fill. Sizes are in pixels
// because the controls stand at fixed pixel rectangles.
constexpr const char* kSheet = R"(
QWidget#mainWindow { background: #F6F8FB; }
QPushButton {
  background: #FFFFFF; color: #1E293B;
  border: 1px solid #CBD5E1; border-radius: 5px; padding: 0 6px;
}
QPushButton:hover { background: %3; border-color: %1; color: %1; }
QPushButton:pressed { background: %2; border-color: %2; color: #FFFFFF; }
QPushButton:focus { border-color: %1; }
QPushButton:default { border-color: %1; }
QPushButton:disabled { color: #94A3B8; background: #F1F5F9; }
QLineEdit {
  background: #FFFFFF; color: #0F172A;
  border: 1px solid #CBD5E1; border-radius: 4px; padding: 0 4px;
  selection-background-color: %1; selection-color: #FFFFFF;
}
QLineEdit:hover { border-color: #94A3B8; }
QLineEdit:focus { border-color: %1; }
QGroupBox {
  border: 1px solid #CBD5E1; border-radius: 6px; margin-top: 7px; color: #475569;
}
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px; }
QRadioButton { color: #1E293B; spacing: 3px; }
QRadioButton::indicator {
  width: 9px; height: 9px; border-radius: 5px;
  border: 1px solid #94A3B8; background: #FFFFFF;
}
QRadioButton::indicator:hover { border-color: %1; }
QRadioButton::indicator:checked { width: 3px; height: 3px; border: 4px solid %1; }
)";

}  // namespace

QString SchemeStyleSheet(int scheme) {
    if (scheme < kFirstScheme || scheme > kLastScheme) return {};
    const Palette& palette = kPalettes[scheme - kFirstScheme];
    return QString::fromLatin1(kSheet)
        .arg(QLatin1String(palette.accent), QLatin1String(palette.accent_dark), QLatin1String(palette.accent_pale));
}

int ApplyScheme(int scheme) {
    qApp->setStyleSheet(QString());
    const QString sheet = SchemeStyleSheet(scheme);
    if (sheet.isEmpty()) return 0;
    qApp->setStyleSheet(sheet);
    return scheme;
}

}  // namespace icoforge
