// Feeds arbitrary bytes to the design reader, then measures and draws what
// was read, as opening a file in the application does.

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Gzip.h"
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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Design design;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (inflatesTooFar(bytes))
        return 0;
    if (!design.loadFromBytes(bytes, QStringLiteral("fuzz.project")))
        return 0;
    auto state = design.currentDesignState();
    drawSheet(*state->pcb);
    for (const auto& sheet : state->schematics)
        drawSheet(*sheet);
    return 0;
}
