#pragma once
// The program's own look for the standard controls (buttons, radio buttons, group boxes,
// edit boxes): flat, light, rounded, with one accent colour per scheme. It applies to
// every window of the program, message boxes and dialogs included.

#include <QString>

namespace icoforge {

// Schemes 1 to 3 (green, graphite, blue); any other number is "off".
inline constexpr int kFirstScheme = 1;
inline constexpr int kLastScheme = 3;
// The scheme the window switches on when it has been created.
inline constexpr int kStartScheme = 3;

// The style sheet of a scheme; empty for a number that switches the look off.
QString SchemeStyleSheet(int scheme);

// Switches the program's look to `scheme`, first switching off the active one; returns the
// active scheme afterwards (0 when off).
int ApplyScheme(int scheme);

}  // namespace icoforge
