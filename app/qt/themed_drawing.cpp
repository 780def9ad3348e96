#include "app/qt/themed_drawing.h"

#include <QApplication>
#include <QColor>

#include "app/commands/window_description.h"

namespace icoforge {
namespace {

// One sheet for every scheme, its colours by role: %1 window, %2 surface, %3 hover,
// %4 pressed, %5 border, %6 accent, %7 field, %8 text, %9 muted text. Sizes are in pixels
// because the controls stand at fixed pixel rectangles.
constexpr const char* kSheet = R"(
QWidget#mainWindow { background: %1; }
QPushButton {
  background: %2; color: %8;
  border: 1px solid %5; border-radius: 5px; padding: 0 6px;
}
QPushButton:hover { background: %3; border-color: %6; color: %6; }
QPushButton:pressed { background: %4; border-color: %6; color: %8; }
QPushButton:focus { border-color: %6; }
QPushButton:default { border-color: %6; }
QPushButton:disabled { color: %9; background: %1; }
QLineEdit {
  background: %7; color: %8;
  border: 1px solid %5; border-radius: 4px; padding: 0 4px;
  selection-background-color: %6; selection-color: %7;
}
QLineEdit:hover { border-color: %6; }
QLineEdit:focus { border-color: %6; }
QGroupBox {
  border: 1px solid %5; border-radius: 6px; margin-top: 7px; color: %9;
}
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px; }
QRadioButton { color: %8; spacing: 3px; }
QRadioButton::indicator {
  width: 9px; height: 9px; border-radius: 5px;
  border: 1px solid %5; background: %7;
}
QRadioButton::indicator:hover { border-color: %6; }
QRadioButton::indicator:checked { width: 3px; height: 3px; border: 4px solid %6; }
)";

QString Css(window::Rgb colour) { return QColor(colour.red, colour.green, colour.blue).name(); }

}  // namespace

QString SchemeStyleSheet(int scheme) {
    const auto palette = window::PaletteOf(scheme);
    if (!palette) return {};
    return QString::fromLatin1(kSheet).arg(Css(palette->window), Css(palette->surface), Css(palette->hover),
                                           Css(palette->pressed), Css(palette->border), Css(palette->accent),
                                           Css(palette->field), Css(palette->text), Css(palette->muted_text));
}

int ApplyScheme(int scheme) {
    qApp->setStyleSheet(QString());
    const QString sheet = SchemeStyleSheet(scheme);
    if (sheet.isEmpty()) return 0;
    qApp->setStyleSheet(sheet);
    return scheme;
}

}  // namespace icoforge
