#pragma once
// A message box built from a Windows-style message box style: the buttons of the low four
// bits, the icon of the next four, modality, and the button pressed as the commands number
// it.

#include <QMessageBox>
#include <memory>
#include <string_view>

#include "app/commands/ui.h"

namespace icoforge {

// A box with no owner, ready to be shown; the first button is the default one.
std::unique_ptr<QMessageBox> BuildMessageBox(std::string_view text, std::int32_t style, std::string_view caption);

// The number of the button pressed; OK for anything the commands do not number.
MessageBoxButton ButtonPressed(QMessageBox::StandardButton button);

// The window's texts break lines with "\r\n"; Qt wants "\n" alone.
QString QtText(std::string_view text);

}  // namespace icoforge
