#pragma once
// The program's icon, drawn: a rounded blue square holding a white picture frame and an
// arrow out of it (a picture becoming an icon). The same drawing as icoforge.svg.

#include <QImage>

namespace icoforge {

QImage DrawAppIcon(int edge);

}  // namespace icoforge
