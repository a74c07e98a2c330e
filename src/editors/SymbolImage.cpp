#include "editors/SymbolImage.h"

#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {
// The freedesktop names closest to the symbol names used by the program.
QString themeName(const QString& name)
{
    static const std::pair<const char*, const char*> names[] = {
        {"xmark.circle.fill", "window-close"},
        {"plus.circle", "list-add"},
        {"minus.circle", "list-remove"},
        {"clear", "edit-clear"},
        {"house.fill", "go-home"},
        {"square.and.pencil", "document-edit"},
        {"document", "text-x-generic"},
        {"list.star", "view-list-details"},
        {"grid", "view-grid"},
        {"text.page", "text-x-generic"},
    };
    for (const auto& [symbol, theme] : names)
        if (name == QLatin1String(symbol))
            return QString::fromLatin1(theme);
    return name;
}

// Line drawings of the symbols the editors and panels show, so they appear
// the same on every desktop.
bool drawSymbol(QPainter& p, const QString& name, double s, const QColor& color)
{
    const double lw = std::max(1.0, s / 12);
    QPen pen(color, lw, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF box(lw, lw, s - 2 * lw, s - 2 * lw);
    const QPointF c = box.center();
    const double r = box.width() / 2;
    if (name == QLatin1String("xmark.circle.fill")) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(box);
        // The cross is cut out of the disc.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(QPen(Qt::black, lw * 1.4, Qt::SolidLine, Qt::RoundCap));
        const double a = r * 0.42;
        p.drawLine(c + QPointF(-a, -a), c + QPointF(a, a));
        p.drawLine(c + QPointF(-a, a), c + QPointF(a, -a));
        return true;
    }
    if (name == QLatin1String("plus.circle") || name == QLatin1String("minus.circle")) {
        p.drawEllipse(box);
        const double a = r * 0.5;
        p.drawLine(c + QPointF(-a, 0), c + QPointF(a, 0));
        if (name.startsWith(u'p'))
            p.drawLine(c + QPointF(0, -a), c + QPointF(0, a));
        return true;
    }
    if (name == QLatin1String("circle")) {
        p.drawEllipse(box);
        return true;
    }
    if (name == QLatin1String("rectangle")) {
        p.drawRect(box.adjusted(0, s * 0.15, 0, -s * 0.15));
        return true;
    }
    if (name == QLatin1String("line.diagonal")) {
        p.drawLine(box.bottomLeft(), box.topRight());
        return true;
    }
    if (name == QLatin1String("text.page")) {
        const QRectF page = box.adjusted(s * 0.12, 0, -s * 0.12, 0);
        p.drawRoundedRect(page, lw * 1.5, lw * 1.5);
        for (int i = 1; i <= 3; ++i) {
            const double y = page.top() + page.height() * i / 4.5;
            p.drawLine(QPointF(page.left() + s * 0.15, y), QPointF(page.right() - s * 0.15, y));
        }
        return true;
    }
    return false;
}

QPixmap tinted(const QPixmap& source, const QColor& color)
{
    QPixmap out(source.size());
    out.setDevicePixelRatio(source.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawPixmap(0, 0, source);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    return out;
}
}

QPixmap symbolImage(const QString& name, int size, const QColor& color, bool tint)
{
    if (name.isEmpty() || size <= 0)
        return QPixmap();
    size = std::min(size, 1024);
    QPixmap pixmap;
    const QString resource = QStringLiteral(":/icons/%1.png").arg(name);
    if (QFile::exists(resource)) {
        pixmap = QIcon(resource).pixmap(size, size);
    } else {
        QPixmap drawn(size, size);
        drawn.fill(Qt::transparent);
        QPainter p(&drawn);
        p.setRenderHint(QPainter::Antialiasing);
        if (drawSymbol(p, name, size, tint ? color : QColor(Qt::black))) {
            p.end();
            return drawn;
        }
        p.end();
        const QIcon icon = QIcon::fromTheme(themeName(name));
        if (!icon.isNull())
            pixmap = icon.pixmap(size, size);
    }
    if (pixmap.isNull())
        return pixmap;
    return tint ? tinted(pixmap, color) : pixmap;
}
