#pragma once
// A paint device that paints nothing: it keeps the extent, in its device
// coordinates, of everything a painter draws on it (fills, strokes with
// their caps, joins and miters, images, glyphs), so that what a drawing
// paints can be measured by running the drawing itself.

#include <QPaintDevice>
#include <QRectF>

class QPen;
class QTransform;

#include <memory>

class InkBounds : public QPaintDevice {
public:
    InkBounds();
    ~InkBounds() override;
    InkBounds(const InkBounds&) = delete;
    InkBounds& operator=(const InkBounds&) = delete;

    QPaintEngine* paintEngine() const override;

    // Forgets what was painted.
    void reset();
    // Adds a rectangle of device coordinates, as if painted; a rectangle
    // that is not finite makes the extent unbounded.
    void add(const QRectF& deviceRect);
    // Marks the extent unbounded: something was painted that no rectangle holds.
    void addEverywhere() { unbounded_ = true; }
    // A fill of what lies in box, and a stroke with the pen of a path whose
    // points lie in box (its caps, joins and miters), placed by t: what the
    // painter records of its own fills and strokes, for drawing code that
    // measures without going through a painter (the painter's state
    // changes cost more than most measures).
    void addFill(const QRectF& box, const QTransform& t);
    void addStroke(const QRectF& box, const QTransform& t, const QPen& pen);

    // Whether anything was painted.
    bool painted() const { return unbounded_ || hasExtent_; }
    // Whether something painted had no finite extent.
    bool unbounded() const { return unbounded_; }
    // The extent of what was painted (device coordinates); empty for nothing.
    QRectF extent() const { return hasExtent_ ? QRectF(QPointF(left_, top_), QPointF(right_, bottom_)) : QRectF(); }

protected:
    // One pixel: drawing that crops itself to the device then paints at
    // most that, and what it crops it also keeps inside boxes of its own.
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    std::unique_ptr<Engine> engine_;
    bool hasExtent_ = false;
    bool unbounded_ = false;
    double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};
