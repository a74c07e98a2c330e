// Feeds arbitrary bytes to the design reader, then measures and draws what
// was read, as opening a file in the application does.

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Gzip.h"
#include "core/XmlParts.h"
#include "document/Design.h"
#include "document/DesignReader.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {
// Compressed inputs that inflate beyond this are skipped: the reader's own
// budget is sized for real designs, not for the fuzzer's memory limit.
constexpr size_t kFuzzInflateLimit = size_t(16) * 1024 * 1024;

bool inflatesTooFar(const QByteArray& bytes)
{
    QByteArray body = bytes;
    if (body.startsWith(QByteArrayView(DesignReader::kMagic, DesignReader::kMagicLength)))
        body.remove(0, DesignReader::kMagicLength);
    return DesignReader::looksCompressed(body) && !gzipInflate(body, kFuzzInflateLimit);
}

// The tree under node as text, through the runs of cut lists.
void dumpTree(const XmlParts& parts, pugi::xml_node node, std::string& out, int depth = 0)
{
    if (depth > 200)
        return;
    parts.forEachChild(node, [&](pugi::xml_node child) {
        out += std::to_string(int(child.type())) + child.name() + "[" + child.value() + "]";
        for (pugi::xml_attribute a : child.attributes())
            out += std::string(" ") + a.name() + "=" + a.value();
        out += "{";
        dumpTree(parts, child, out, depth + 1);
        out += "}";
    });
}

// A text cut into runs must parse to the tree a whole parse gives, or be
// refused or parsed whole.
void checkCutParse(const QByteArray& bytes)
{
    std::optional<QByteArray> xml = DesignReader::decode(bytes, nullptr);
    if (!xml)
        return;
    QByteArray wholeText = *xml;
    XmlParts whole;
    const bool wholeParsed = bool(whole.parse(wholeText, DesignReader::partLists(), false));
    const size_t chunk = 1 + size_t(bytes.size()) % 13;
    XmlParts cut;
    QByteArray cutText = *xml;
    const pugi::xml_parse_result cutResult = cut.parse(cutText, DesignReader::partLists(), {0, 0, chunk % 4 * 20, chunk});
    std::string a, b;
    if (wholeParsed)
        dumpTree(whole, whole.document(), a);
    if (cutResult)
        dumpTree(cut, cut.document(), b);
    if (bool(cutResult) && !cut.failed() && (!wholeParsed || a != b))
        __builtin_trap();
    if (!cutResult && wholeParsed)
        __builtin_trap();
}

void drawSheet(GraphicsSheet& sheet)
{
    sheet.updateGeometry();
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    // A y-up view of the sheet's box.
    const BoundingBox& box = sheet.entityList.boundingBox;
    double scale = 10;
    QPointF center(0, 0);
    if (box.valid && box.width() > 0 && box.height() > 0 && std::isfinite(box.width()) && std::isfinite(box.height())) {
        scale = 32 / std::max(box.width(), box.height());
        center = box.center();
    }
    if (!std::isfinite(scale) || scale <= 0)
        scale = 10;
    painter.setTransform(QTransform(scale, 0, 0, -scale, 16 - center.x() * scale, 16 + center.y() * scale));
    DrawingContext context(painter);
    Graphics g(context);
    sheet.draw(g);
}
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Every input long enough takes the way a long design's text takes.
    XmlParts::setDefaultLimits({0, 0, 64, 7});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Design design;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (inflatesTooFar(bytes))
        return 0;
    checkCutParse(bytes);
    if (!design.loadFromBytes(bytes, QStringLiteral("fuzz.project")))
        return 0;
    auto state = design.currentDesignState();
    drawSheet(*state->pcb);
    for (const auto& sheet : state->schematics)
        drawSheet(*sheet);
    return 0;
}
