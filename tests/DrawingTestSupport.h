#pragma once
// Drawing helpers shared by the tests: images painted through a y-up view,
// drawing in pick mode for one pixel, and comparisons of points and boxes.
#include "core/DrawingContext.h"
#include "core/Geometry.h"
#include "core/Graphics.h"
#include "core/PathDetail.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <QRectF>
#include <QTransform>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

// An image painted through `view` by a Graphics of its own. done() ends the
// painting; read the pixels after it.
struct PaintedImage {
    PaintedImage(QSize size, const QTransform& view, const QColor& background = Qt::transparent)
        : image(size, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(background);
        painter = std::make_unique<QPainter>(&image);
        painter->setTransform(view);
        context = std::make_unique<DrawingContext>(*painter);
        g = std::make_unique<Graphics>(*context);
    }
    const QImage& done()
    {
        g.reset();
        context.reset();
        painter.reset();
        return image;
    }
    // Pixels with any ink (alpha) on them.
    int inked() const
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    }
    QImage image;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<DrawingContext> context;
    std::unique_ptr<Graphics> g;
};

// An image of `size` pixels seeing the y-up model from `origin` (its
// bottom-left corner) at `scale` pixels per inch.
struct ModelCanvas : PaintedImage {
    ModelCanvas(QPointF origin, double scale, QSize size, const QColor& background = Qt::transparent)
        : PaintedImage(size, QTransform(scale, 0, 0, -scale, -origin.x() * scale, size.height() + origin.y() * scale),
                       background),
          origin(origin), scale(scale)
    {
    }
    // The pixel under a model point.
    QColor at(QPointF model) const
    {
        const QPointF d = (model - origin) * scale;
        return image.pixelColor(int(std::floor(d.x())), int(std::floor(image.height() - d.y())));
    }
    QPointF origin;
    double scale;
};

// A square y-up view of `scale` pixels per inch centred on a model point,
// on `background`, with something drawn in it.
struct CentredImage {
    QImage image;
    QTransform view;
    int depthAfter = 0; // the drawing context's state depth after the drawing
    CentredImage(const std::function<void(Graphics&)>& draw, double scale, QPointF centre, int size = 400,
                 const QColor& background = Qt::black)
        : image(size, size, QImage::Format_ARGB32_Premultiplied),
          view(scale, 0, 0, -scale, size / 2.0 - centre.x() * scale, size / 2.0 + centre.y() * scale)
    {
        image.fill(background);
        QPainter painter(&image);
        painter.setTransform(view);
        DrawingContext context(painter);
        Graphics g(context);
        draw(g);
        depthAfter = context.stateDepth();
    }
    QColor at(QPointF model) const
    {
        const QPointF p = view.map(model);
        return image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
    }
    int count(const std::function<bool(const QColor&)>& test) const
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += test(image.pixelColor(x, y)) ? 1 : 0;
        return n;
    }
};

// An image on white with the y-up view it is drawn through, read by model
// rectangle.
struct WhiteViewImage {
    WhiteViewImage(QSize size, const QTransform& view) : image(size, QImage::Format_ARGB32_Premultiplied), view(view)
    {
        image.fill(Qt::white);
    }
    // Darkness (0 white, 1 black) summed over the pixels of a model rectangle.
    double inkIn(const QRectF& model) const
    {
        const QRect r = view.mapRect(model).toAlignedRect().intersected(image.rect());
        double sum = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                sum += 1 - image.pixelColor(x, y).valueF();
        return sum;
    }
    QImage image;
    QTransform view;
};

// Maps a model point into the middle of the one pixel of a pick image, at
// `scale` pixels per inch, y up.
inline QTransform pixelCentredOn(QPointF model, double scale)
{
    return QTransform(scale, 0, 0, -scale, -model.x() * scale + 0.5, model.y() * scale + 0.5);
}

// Maps the device pixel under a model point, in a y-up view of `scale`
// pixels per inch whose model origin is `height` pixels down, onto the one
// pixel of a pick image.
inline QTransform devicePixelUnder(QPointF model, double scale, double height)
{
    const QTransform view(scale, 0, 0, -scale, 0, height);
    const QPointF device = view.map(model);
    return view * QTransform::fromTranslate(-std::floor(device.x()), -std::floor(device.y()));
}

// Runs `draw` in pick mode on a one-pixel image seen through `toPixel`, and
// returns what it returns.
template <class Draw>
auto drawForPick(const QTransform& toPixel, Draw&& draw)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    DrawingContext context(painter);
    context.concatenate(toPixel);
    Graphics g(context);
    g.picking = true;
    g.pickImage = &image;
    return draw(g);
}

// Whether what `draw` draws in pick mode through `toPixel` covers the pixel.
inline bool picksThrough(const QTransform& toPixel, const std::function<void(Graphics&)>& draw)
{
    return drawForPick(toPixel, [&draw](Graphics& g) {
        g.clearPickPixel();
        draw(g);
        return g.pickPixelHit();
    });
}

inline void expectPoint(QPointF actual, QPointF expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

inline void expectRect(const QRectF& actual, const QRectF& expected, double tolerance = 1e-9)
{
    expectPoint(actual.topLeft(), expected.topLeft(), tolerance);
    expectPoint(actual.bottomRight(), expected.bottomRight(), tolerance);
}

inline void expectBox(const BoundingBox& box, QPointF bottomLeft, QPointF topRight, double tolerance = 1e-9)
{
    ASSERT_TRUE(box.valid);
    expectPoint(box.bottomLeft, bottomLeft, tolerance);
    expectPoint(box.topRight, topRight, tolerance);
}

// As many huge paths as the path detail's cache keeps, each kept there and
// held (as a design holds its own), the cache emptied first: a draw that
// puts a path of its own in the cache evicts one of them.
inline std::vector<QPainterPath> heldHugePaths()
{
    PathDetail::clearCache();
    std::vector<QPainterPath> held(64);
    for (size_t k = 0; k < held.size(); ++k) {
        for (int i = 0; i < PathDetail::kHugeElements; ++i)
            held[k].lineTo(i, (i % 2) * double(k + 1));
        PathDetail::prepare(held[k]);
    }
    return held;
}
