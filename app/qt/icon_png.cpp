// Build-time tool: writes the program's icon as a PNG of the given edge.
//     icoforge_icon_png OUTPUT.png EDGE

#include <cstdio>
#include <cstdlib>

#include "app/qt/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: icoforge_icon_png OUTPUT.png EDGE\n");
        return 2;
    }
    const int edge = std::atoi(argv[2]);
    // Icons are drawn from 16 to 1024 pixels; anything else is a mistake in the build.
    if (edge < 16 || edge > 1024) {
        std::fprintf(stderr, "icoforge_icon_png: EDGE must be 16..1024\n");
        return 2;
    }
    if (!icoforge::DrawAppIcon(edge).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "icoforge_icon_png: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
