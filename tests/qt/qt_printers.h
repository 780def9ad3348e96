#pragma once
// Qt's strings in GoogleTest's messages as text, not as lists of code units.

#include <QPoint>
#include <QRect>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* out) { *out << '(' << p.x() << ", " << p.y() << ')'; }
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << '(' << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ')';
}
