// Developer tool: writes a generated design to a file (plain XML), so that
// it can be opened, rendered or timed like any other design.
//
//   brindlex-gen grid|pour|curve OUT.project
//   brindlex-gen random SEED OUT.project [FEATURES]

#include "Generator.h"
#include "RandomDesign.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: brindlex-gen grid|pour|curve OUT.project\n"
                         "       brindlex-gen random SEED OUT.project [FEATURES]\n"
                         "  grid: 5,000 footprints on a grid\n"
                         "  pour: a four-layer routed board with two ground pours\n"
                         "  curve: a closed smooth curve of a million points tracing a square row by row\n"
                         "  random: a small design of every kind of element, the same for the same seed; FEATURES\n"
                         "    (comma-separated: crossing-dashes, sharp-miters, thin-wires, uneven-holders, wide-pens,\n"
                         "    huge-pens, zig-zag-curves, long-dashes, all, none; default all) adds the content of those kinds\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QByteArray xml;
    const char* out = nullptr;
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "random") == 0) {
        char* end = nullptr;
        const unsigned long long seed = std::strtoull(argv[2], &end, 10);
        unsigned features = kAllRandomFeatures;
        if (!*argv[2] || *end || (argc == 5 && !randomFeaturesNamed(argv[4], features)))
            return usage();
        xml = generateRandomDesign(seed, features).xml;
        out = argv[3];
    } else if (argc == 3 && std::strcmp(argv[1], "curve") == 0) {
        xml = generateRasterCurveXml(RasterCurveLayout());
        out = argv[2];
    } else if (argc == 3 && (std::strcmp(argv[1], "grid") == 0 || std::strcmp(argv[1], "pour") == 0)) {
        xml = benchBoardXml(std::strcmp(argv[1], "pour") == 0 ? pourBoard : gridBoard);
        out = argv[2];
    } else
        return usage();
    QFile file(QString::fromLocal8Bit(out));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml) != xml.size()) {
        std::fprintf(stderr, "cannot write %s\n", out);
        return 1;
    }
    return 0;
}
