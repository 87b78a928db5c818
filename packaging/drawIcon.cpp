// ov7931fp_drawicon SIZE FILE: writes the panel's window icon, drawn at
// SIZE x SIZE pixels, as a PNG file. Run at build time for the desktop
// entry's icons, so that the installed pictures are the panel's own drawing.
#include "ov9174fp_icons.h"

#include <QImage>
#include <QString>

#include <charconv>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    int size = 0;
    if (argc == 3) {
        const char *end = argv[1] + std::strlen(argv[1]);
        auto r = std::from_chars(argv[1], end, size);
        if (r.ec != std::errc() || r.ptr != end)
            size = 0;
    }
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: ov7931fp_drawicon SIZE FILE (SIZE 16..1024)\n");
        return 2;
    }
    if (!ov9174fp_icons::windowIconImage(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "ov7931fp_drawicon: cannot write %s\n", argv[2]);
        return 3;
    }
    return 0;
}
