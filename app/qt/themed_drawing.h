#pragma once
// The program's own look for the standard controls (buttons, radio buttons, group boxes,
// edit boxes): flat, light, rounded, in the colours of the window's schemes. It applies to
// every window of the program, message boxes and dialogs included.

#include <QString>

namespace icoforge {

// The style sheet of a scheme; empty for a number that switches the look off.
QString SchemeStyleSheet(int scheme);

// Switches the program's look to `scheme`, first switching off the active one; returns the
// active scheme afterwards (0 when off).
int ApplyScheme(int scheme);

}  // namespace icoforge
