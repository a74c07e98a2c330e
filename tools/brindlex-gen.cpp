// Developer tool: writes a generated benchmark board to a design file (plain
// XML), so that it can be opened, rendered or timed like any other design.
//
//   brindlex-gen grid|pour|curve OUT.project

#include "Generator.h"

#include <QFile>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const bool curve = argc == 3 && std::strcmp(argv[1], "curve") == 0;
    if (argc != 3 || (std::strcmp(argv[1], "grid") != 0 && std::strcmp(argv[1], "pour") != 0 && !curve)) {
        std::fprintf(stderr, "usage: brindlex-gen grid|pour|curve OUT.project\n"
                             "  grid: 5,000 footprints on a grid\n"
                             "  pour: a four-layer routed board with two ground pours\n"
                             "  curve: a closed smooth curve of a million points tracing a square row by row\n");
        return 2;
    }
    const QByteArray xml = curve ? generateRasterCurveXml(RasterCurveLayout())
                                 : benchBoardXml(std::strcmp(argv[1], "pour") == 0 ? pourBoard : gridBoard);
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml) != xml.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
