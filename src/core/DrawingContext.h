#pragma once
// A small 2D graphics context over QPainter with the semantics the drawing
// code is written for: a save/restore state stack and a *current path* whose
// points are mapped by the current transform when they are added and which is
// consumed by fillPath, strokePath and clip.

#include "core/StrokeReach.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <vector>

class InkBounds;

class DrawingContext {
public:
    // The painter must outlive the context; its current transform becomes the
    // context's base transform (the device transform). Antialiasing is turned on.
    explicit DrawingContext(QPainter& painter);
    // Undoes the painter saves of states still open (their clips).
    ~DrawingContext();
    DrawingContext(const DrawingContext&) = delete;
    DrawingContext& operator=(const DrawingContext&) = delete;

    QPainter& painter() { return painter_; }
    // Whether the painter paints on an ink measure (see InkMeasure): then
    // paths go to it whole, as they are, and it keeps their extent.
    bool measuring() const { return ink_ != nullptr; }
    // The one way drawing that paints other than through the painter (pixels
    // written straight, a shape's ink known beforehand) records its ink: on
    // an ink measure, adds the fill of what lies in box, or the stroke with
    // the pen of a path whose points lie in box, placed by t, and returns
    // true; elsewhere returns false, having done nothing, and the caller
    // draws. A box that is not finite makes the ink unbounded.
    bool recordFill(const QRectF& box, const QTransform& t) const;
    bool recordStroke(const QRectF& box, const QTransform& t, const QPen& pen) const;
    // The same for a path, taken whole (its box found only when measuring).
    bool recordFill(const QPainterPath& path, const QTransform& t) const { return ink_ && recordFill(path.controlPointRect(), t); }
    bool recordStroke(const QPainterPath& path, const QTransform& t, const QPen& pen) const
    {
        return ink_ && recordStroke(path.controlPointRect(), t, pen);
    }

    // Other threads draw the same entities at the same time (a frame drawn
    // in bands): every path the painter itself draws goes to it as this
    // thread's own copy (QPainterPath builds its drawing form lazily inside
    // the shared data). Entities change nothing while drawing in any mode.
    bool concurrent = false;
    // The painter's transform when the context was made (the device's).
    const QTransform& baseTransform() const { return base_; }

    void saveState();
    // Ignored without a matching saveState.
    void restoreState();
    int stateDepth() const { return int(stack_.size()); }

    // Current transform (model to device).
    QTransform transform() const { return state_.transform; }
    const QTransform& currentTransform() const { return state_.transform; }
    void concatenate(const QTransform& t); // t applied first, then the current
    // Replaces the whole model-to-device transform.
    void setTransform(const QTransform& t);

    void setFillColor(const QColor& c) { state_.fillColor = c; }
    void setStrokeColor(const QColor& c) { state_.strokeColor = c; }
    QColor fillColor() const { return state_.fillColor; }
    QColor strokeColor() const { return state_.strokeColor; }
    // In user units of the transform current when the path is stroked; zero,
    // negative or non-finite strokes one device pixel wide. Not raised.
    void setLineWidth(double w)
    {
        state_.lineWidth = w;
        state_.raisedWidth = 0;
    }
    double lineWidth() const { return state_.lineWidth; }
    // A width on the device (logical pixels) the line width set last stands
    // for, or zero: a line raised to the least width. Where the transform stretches
    // some ways more than others the path is stroked on the device at this
    // width, the same in every direction, its dashes scaled with it.
    void setRaisedWidth(double devicePixels) { state_.raisedWidth = devicePixels; }
    void setLineCap(Qt::PenCapStyle c) { state_.cap = c; }
    void setLineJoin(Qt::PenJoinStyle j) { state_.join = j; }
    Qt::PenCapStyle lineCap() const { return state_.cap; }
    Qt::PenJoinStyle lineJoin() const { return state_.join; }
    // Ratio of miter length to line width beyond which a miter join is bevelled.
    void setMiterLimit(double limit) { state_.miterLimit = limit; }
    double miterLimit() const { return state_.miterLimit; }
    // Dash lengths in user units (not pen widths); empty for solid. An odd
    // count repeats once more; an all-zero, negative or non-finite pattern
    // strokes solid.
    void setLineDash(std::vector<double> lengths, double phase = 0);
    const std::vector<double>& lineDash() const { return state_.dash; }

    // Current path. Its points are fixed in device coordinates as they are
    // added; while every part is added under one transform the path is kept
    // in those user coordinates with that transform, which fills and strokes
    // without mapping it to the device and back.
    void beginPath() { clearPath(); }
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void closePath()
    {
        pathShared_ = false; // closing copies a shared path
        path_.closeSubpath();
    }
    // Adds a path given in current user coordinates.
    void addPath(const QPainterPath& userPath);
    void addRect(const QRectF& r);
    void addEllipse(const QRectF& r);
    bool isPathEmpty() const { return path_.elementCount() == 0; }
    // The current path in device coordinates.
    const QPainterPath& devicePath() const;

    void fillPath(Qt::FillRule rule = Qt::WindingFill);
    void strokePath();
    // Fills then strokes the current path, consuming it once.
    void fillAndStrokePath(Qt::FillRule rule = Qt::WindingFill);
    // Intersects the clip with the current path and consumes it.
    void clip(Qt::FillRule rule = Qt::WindingFill);

    // Fills a path given in user coordinates with a brush (gradients are in
    // the same user coordinates), leaving the current path alone.
    void fillUserPath(const QPainterPath& userPath, const QBrush& brush, Qt::FillRule rule = Qt::WindingFill);
    // The same with the path placed by a local transform (applied first).
    void fillUserPath(const QPainterPath& userPath, const QBrush& brush, Qt::FillRule rule, const QTransform& local);
    // Draws the image into a rectangle of user coordinates, upright in the
    // y-up model: the image's first row lies along the rectangle's larger y.
    // Filtered in tiles fixed to its place on the device, so that the same
    // pixels come out wherever the area drawn begins.
    void drawImage(const QRectF& userRect, const QImage& image);

private:
    struct State {
        QTransform transform;
        QColor fillColor = QColor(0, 0, 0);
        QColor strokeColor = QColor(0, 0, 0);
        double lineWidth = 1;
        double raisedWidth = 0;
        Qt::PenCapStyle cap = Qt::FlatCap;
        Qt::PenJoinStyle join = Qt::MiterJoin;
        double miterLimit = 10;
        std::vector<double> dash;
        double dashPhase = 0;
        // The painter was saved at this level because a clip was set in it;
        // restoring the level restores the painter.
        bool painterSaved = false;
    };
    void fillCurrentPath(Qt::FillRule rule);
    void strokeCurrentPath();
    QPen strokePen() const;
    // Sets the painter up to stroke in user space under the current
    // transform (the pen's width and dashes with it); false when the
    // transform or the width does not allow it.
    bool strokeInUserSpace(QPen& pen, double& frameScale);
    // Strokes a path given in coordinates that toDevice maps to the device.
    // Where the pen cannot follow the current transform (one without
    // inverse, a width that is not positive) it is stroked on the device,
    // the path placed by toDevice's linear part and then moved, so that
    // the dashes are cut the same wherever the area drawn begins.
    void strokeDevicePath(const QPainterPath& path, const QTransform& toDevice = QTransform());
    // Strokes a raised line (see setRaisedWidth) on the device when the
    // transform does not keep its width the same every way: the path given
    // in user coordinates (inUser) or device ones. False when that does not
    // apply.
    bool strokeRaised(const QPainterPath& path, bool inUser);
    // Strokes the path (coordinates the painter's transform maps to the
    // device) with the pen the way routeOf says. A shared path may be the
    // one other threads draw at once.
    void strokeFramePath(const QPainterPath& path, const QPen& pen, bool shared = false);
    // Fills the dashes Dashes::cut cuts of the path near the area drawn,
    // and the parts too fine to dash at the pattern's mean coverage.
    void strokeDashed(const QPainterPath& path, const QPen& pen);
    // The pen's outline of the path (under the painter's transform) filled
    // by fillOutline.
    void fillStrokeOutline(const QPainterPath& path, const QPen& pen);
    // An outline under the painter's transform filled by the winding rule
    // straight into the image where allowed, else clipped about the area
    // drawn when far, else by the painter.
    void fillOutline(const QPainterPath& outline, const QBrush& brush);

public:
    // Too big for the painter (see StrokeReach, which keeps every limit).
    static constexpr double kWidePenPixels = StrokeReach::kWidePenPixels;
    static constexpr double kLongStrokePixels = StrokeReach::kLongStrokePixels;
    // Where a stroke, placed for the painter's transform, is drawn: kept by
    // the ink measure; cut into dashes (Dashes); clipped about the area
    // drawn and outlined by the path detail (huge, far or wide); outlined
    // here and the outline filled (too big for the painter, or a stroke the
    // painter's own scan converters would start at a band's edge); or
    // stroked by the painter.
    enum class StrokeRoute { Measured, Dashed, Detail, Outlined, Painter };
    // The one place that decides it.
    StrokeRoute routeOf(const QPainterPath& path, const QPen& pen);
    // The dashes this thread's last dashed stroke cut, and the segments of
    // its flattened path it stroked solid as too fine to dash.
    struct Dashing {
        long long dashes = 0;
        long long fineSegments = 0;
    };
    static Dashing lastDashing();

private:
    // Strokes a path given in user coordinates of the current transform.
    void strokeUserPath(const QPainterPath& userPath);
    void clearPath();
    // Readies the current path for points given under the current transform:
    // keeps it in user coordinates when it is empty or was begun under the
    // same transform, else turns it into device coordinates for good.
    // Returns whether points go in untransformed.
    bool prepareToAdd();
    // Whether the current path is in the user coordinates of pathTransform_
    // and that transform can draw it directly (finite and invertible).
    bool pathDrawsInUserSpace() const { return pathInUser_ && pathTransformUsable_; }

    // In concurrent drawing, a copy of the path that shares nothing with
    // other threads' paths (else the path itself).
    const QPainterPath& own(const QPainterPath& path, QPainterPath& copy) const;

    QPainter& painter_;
    InkBounds* ink_ = nullptr;
    QTransform base_;
    State state_;
    std::vector<State> stack_;
    QPainterPath path_;
    // path_ is a path given whole (addPath), shared with whoever keeps it;
    // else the context built it for this one draw.
    bool pathShared_ = false;
    bool pathInUser_ = false;
    bool pathTransformUsable_ = false;
    QTransform pathTransform_;
    // devicePath() of a path kept in user coordinates.
    mutable QPainterPath devicePathCache_;
};
