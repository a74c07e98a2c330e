#pragma once
// A small 2D graphics context over QPainter with the semantics the drawing
// code is written for: a save/restore state stack and a *current path* whose
// points are mapped by the current transform when they are added and which is
// consumed by fillPath, strokePath and clip.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <vector>

class DrawingContext {
public:
    // The painter must outlive the context; its current transform becomes the
    // context's base transform (the device transform).
    explicit DrawingContext(QPainter& painter);

    QPainter& painter() { return painter_; }

    void saveState();
    void restoreState();

    // Current transform (model to device).
    QTransform transform() const { return state_.transform; }
    void concatenate(const QTransform& t); // t applied first, then the current
    void setTransform(const QTransform& t);

    void setFillColor(const QColor& c) { state_.fillColor = c; }
    void setStrokeColor(const QColor& c) { state_.strokeColor = c; }
    QColor fillColor() const { return state_.fillColor; }
    QColor strokeColor() const { return state_.strokeColor; }
    void setLineWidth(double w) { state_.lineWidth = w; }
    double lineWidth() const { return state_.lineWidth; }
    void setLineCap(Qt::PenCapStyle c) { state_.cap = c; }
    void setLineJoin(Qt::PenJoinStyle j) { state_.join = j; }
    Qt::PenCapStyle lineCap() const { return state_.cap; }
    Qt::PenJoinStyle lineJoin() const { return state_.join; }
    // Dash lengths in user units (not pen widths); empty for solid.
    void setLineDash(std::vector<double> lengths, double phase = 0);
    const std::vector<double>& lineDash() const { return state_.dash; }

    // Current path, in device coordinates.
    void beginPath() { path_ = QPainterPath(); }
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void closePath() { path_.closeSubpath(); }
    // Adds a path given in current user coordinates.
    void addPath(const QPainterPath& userPath);
    void addRect(const QRectF& r);
    void addEllipse(const QRectF& r);
    bool isPathEmpty() const { return path_.elementCount() == 0; }
    const QPainterPath& devicePath() const { return path_; }

    void fillPath(Qt::FillRule rule = Qt::WindingFill);
    void strokePath();
    // Fills then strokes the current path, consuming it once.
    void fillAndStrokePath(Qt::FillRule rule = Qt::WindingFill);
    // Intersects the clip with the current path and consumes it.
    void clip(Qt::FillRule rule = Qt::WindingFill);

    // Fills a path given in user coordinates with a brush (gradients),
    // leaving the current path alone.
    void fillUserPath(const QPainterPath& userPath, const QBrush& brush, Qt::FillRule rule = Qt::WindingFill);

private:
    struct State {
        QTransform transform;
        QColor fillColor = QColor(0, 0, 0);
        QColor strokeColor = QColor(0, 0, 0);
        double lineWidth = 1;
        Qt::PenCapStyle cap = Qt::FlatCap;
        Qt::PenJoinStyle join = Qt::MiterJoin;
        std::vector<double> dash;
        double dashPhase = 0;
        bool hasClip = false;
        QPainterPath clipPath; // device coordinates
    };
    QPen makePen() const;
    void applyClip();

    QPainter& painter_;
    QTransform base_;
    State state_;
    std::vector<State> stack_;
    QPainterPath path_;
};
