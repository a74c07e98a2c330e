#include "Generator.h"

#include "core/Gzip.h"

#include <QPointF>
#include <QString>
#include <cmath>
#include <random>

namespace {

const char* const kLayers[12][4] = {
    // name, colour (a,r,g,b), fixedColor, visible
    {"Top Background", "255,30,30,30", "false", "true"},
    {"Top Package", "255,160,160,160", "true", "false"},
    {"Top Solder Paste", "255,128,128,128", "true", "false"},
    {"Top Silkscreen", "255,240,240,240", "true", "true"},
    {"Top Solder Mask", "96,0,160,0", "true", "true"},
    {"Top Copper", "255,200,40,40", "true", "true"},
    {"Bottom Copper", "255,40,80,200", "true", "true"},
    {"Bottom Solder Mask", "96,0,160,0", "true", "false"},
    {"Bottom Silkscreen", "255,200,200,120", "true", "true"},
    {"Bottom Solder Paste", "255,128,128,128", "true", "false"},
    {"Bottom Package", "255,160,160,160", "true", "false"},
    {"Bottom Background", "255,20,20,20", "false", "true"},
};

QString num(double v) { return QString::number(v, 'g', 7); }

} // namespace

QByteArray generateBoardXml(const BoardLayout& layout)
{
    std::mt19937 rng(layout.seed);
    std::uniform_int_distribution<int> rot(0, 3);
    const int n = std::max(0, layout.footprints);
    const int columns = std::max(1, int(std::ceil(std::sqrt(double(n) * 1.6))));
    const double pitchX = 0.6, pitchY = 0.5;
    const int rows = (n + columns - 1) / columns;
    const double boardW = columns * pitchX + 0.4, boardH = std::max(1, rows) * pitchY + 0.4;

    QString s;
    s.reserve(n * 1600 + 4096);
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brindlex version=\"12\" designVersion=\"1\">\n<design>\n";
    s += "<sheets><schematic/></sheets>\n<pcb>\n<layers>\n";
    for (const auto& l : kLayers)
        s += QString("<layer name=\"%1\" color=\"%2\" fixedColor=\"%3\" visible=\"%4\" electrical=\"%5\"/>\n")
                 .arg(l[0], l[1], l[2], l[3], QString(l[0]).contains("Copper") ? "true" : "false");
    s += "</layers>\n<entities>\n";
    s += QString("<pcbBorder x=\"-0.2\" y=\"-0.2\" width=\"%1\" height=\"%2\" penWidth=\"0.01\" penColor=\"255,230,230,0\" "
                 "color=\"255,0,90,0\" solderMaskColor=\"64,0,255,0\"/>\n")
             .arg(num(boardW), num(boardH));
    // A ground ring poured along the board edge on the bottom side, its
    // copper stored with it as a design file carries it; it clears the
    // tracks and vias below the first row.
    s += QString("<copperPour layer=\"6\" x=\"-0.15\" y=\"-0.15\" width=\"%1\" height=\"%2\" penWidth=\"0.005\" penColor=\"255,40,80,200\" "
                 "signalName=\"GND\"><fill><polygon><vertex at=\"-0.13,-0.13\"/><vertex at=\"%3,-0.13\"/><vertex at=\"%3,%4\"/><vertex at=\"-0.13,%4\"/></polygon>"
                 "<polygon isHole=\"true\"><vertex at=\"-0.09,-0.09\"/><vertex at=\"%5,-0.09\"/><vertex at=\"%5,%6\"/><vertex at=\"-0.09,%6\"/></polygon></fill></copperPour>\n")
             .arg(num(boardW - 0.1), num(boardH - 0.1), num(boardW - 0.27), num(boardH - 0.27), num(boardW - 0.31), num(boardH - 0.31));

    auto origin = [&](int i) { return QPointF((i % columns) * pitchX + 0.2, (i / columns) * pitchY + 0.2); };

    for (int i = 0; i < n; ++i) {
        const QPointF o = origin(i);
        const bool throughHole = (i % 3) == 0;
        const int quarter = rot(rng);
        const double c = std::round(std::cos(quarter * M_PI / 2)), sn = std::round(std::sin(quarter * M_PI / 2));
        s += QString("<footprint identifier=\"U%1\" package=\"%2\" partType=\"%3\" m11=\"%4\" m12=\"%5\" m21=\"%6\" m22=\"%7\" dx=\"%8\" dy=\"%9\"><entities>\n")
                 .arg(i + 1)
                 .arg(throughHole ? "DIP" : "SOIC", throughHole ? "Connector" : "IC")
                 .arg(num(c), num(sn), num(-sn), num(c), num(o.x()), num(o.y()));
        const int pads = std::max(1, layout.padsPerFootprint);
        for (int p = 0; p < pads; ++p) {
            const double px = (p % (pads / 2 + pads % 2)) * 0.1 - 0.1;
            const double py = (p < (pads + 1) / 2) ? -0.1 : 0.1;
            if (throughHole)
                s += QString("<pad id=\"%1\" name=\"%2\" layer=\"5\" at=\"%3,%4\" diameter=\"0.06\" holeDiameter=\"0.032\" smt=\"false\" "
                             "brushColor=\"255,200,40,40\" penWidth=\"0\" penColor=\"0,0,0,0\"/>\n")
                         .arg(i * 100 + p + 1).arg(p + 1).arg(num(px), num(py));
            else
                s += QString("<pad id=\"%1\" name=\"%2\" layer=\"5\" at=\"%3,%4\" size=\"0.05,0.07\" smt=\"true\" roundness=\"0.3\" "
                             "brushColor=\"255,200,40,40\" penWidth=\"0\" penColor=\"0,0,0,0\"/>\n")
                         .arg(i * 100 + p + 1).arg(p + 1).arg(num(px), num(py));
        }
        if (layout.withTexts) {
            s += QString("<footprintId text=\"U%1\" layer=\"3\" at=\"0,0.17\" alignment=\"middleCenter\" height=\"0.04\" brushColor=\"255,240,240,240\" visibleInPcb=\"true\"/>\n").arg(i + 1);
            s += QString("<footprintPartValue text=\"%1\" layer=\"3\" at=\"0,-0.17\" alignment=\"middleCenter\" height=\"0.03\" brushColor=\"255,240,240,240\" showInPcb=\"true\"/>\n")
                     .arg(throughHole ? "CONN6" : "LM324");
        }
        s += QString("<silkscreen layer=\"3\" shape=\"rectangle\" x=\"-0.18\" y=\"-0.14\" width=\"0.36\" height=\"0.28\" penWidth=\"0.008\" penColor=\"255,240,240,240\" cornerSize=\"0.05,0.05\" margin=\"0.02\" notchOnRight=\"left\" lockedTo=\"pads\" lockedToCourtyard=\"false\" autoFitInsidePadsIfPossible=\"true\" visibleInPcb=\"true\"/>\n");
        s += "</entities></footprint>\n";
    }

    // One net per neighbouring pair: a track from the first pad of one to the
    // first pad of the next, on alternating copper sides, with a via midway.
    for (int i = 0; i + 1 < n; i += 2) {
        const QPointF a = origin(i) + QPointF(-0.1, -0.1), b = origin(i + 1) + QPointF(-0.1, -0.1);
        const QPointF mid((a.x() + b.x()) / 2, a.y() - 0.15);
        const int layer = (i / 2) % 2 == 0 ? 5 : 6;
        s += QString("<net identifier=\"N%1\" width=\"0.012\"><entities>\n").arg(i / 2 + 1);
        s += QString("<track layer=\"%1\" penColor=\"255,200,40,40\"><vertices>"
                     "<vertex at=\"%2,%3\"/><vertex at=\"%2,%4\"/><vertex at=\"%5,%4\"/><vertex at=\"%5,%6\"/></vertices></track>\n")
                 .arg(layer)
                 .arg(num(a.x()), num(a.y()), num(mid.y()), num(b.x()), num(b.y()));
        s += QString("<via at=\"%1,%2\" diameter=\"0.04\" holeDiameter=\"0.02\" topLayerIndex=\"5\" bottomLayerIndex=\"6\"/>\n")
                 .arg(num(mid.x()), num(mid.y()));
        s += "</entities></net>\n";
    }
    s += "</entities>\n</pcb>\n</design>\n</brindlex>\n";
    return s.toUtf8();
}

QByteArray generateBoardFile(const BoardLayout& layout)
{
    return QByteArray("Brindlex QEL") + gzipDeflate(generateBoardXml(layout));
}
