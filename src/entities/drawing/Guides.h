#pragma once
// Construction guides: horizontal and vertical lines drawn across the whole
// visible area, an angled line through two points, and a guide point. The
// line guides are always drawn with a magenta dash-dot-dot pen one device
// pixel wide, whatever their own pen says. Guides have no valid box, so the
// sheet never culls them and they add nothing to its extent.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>

class NumberField;

// Base of the four guides.
class Guide : public Entity {
public:
    explicit Guide(GraphicsSheet* sheet);
    bool spansEveryView() const override { return true; }

    // The fixed guide pen for the current transform: opaque magenta, one
    // device pixel wide, dash-dot-dot.
    static Pen guidePen(Graphics& g);
    // The area a line guide spans, in device coordinates (the painter's,
    // under no transform): the device, a few pixels beyond its edges.
    static QRectF visibleArea(Graphics& g);
    // Liang-Barsky: the parameters t0 <= t1 in [0, 1] of the part of the
    // segment a + t (b - a) inside the rectangle, or false when none is.
    static bool clipSegment(QPointF a, QPointF b, const BoundingBox& area, double& t0, double& t1);
};

class HorizontalGuide : public Guide {
public:
    explicit HorizontalGuide(GraphicsSheet* sheet);
    double y = 0;
    // Entity attributes, then "at" (0 when missing or not a number).
    void readXML(pugi::xml_node element) override;
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Horizontal Guide"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class VerticalGuide : public Guide {
public:
    explicit VerticalGuide(GraphicsSheet* sheet);
    double x = 0;
    void readXML(pugi::xml_node element) override;
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Vertical Guide"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class AngledGuide : public Guide {
public:
    // How far the guide reaches either side of its midpoint once drawn.
    static constexpr double kHalfSpan = 100;

    explicit AngledGuide(GraphicsSheet* sheet);
    // Read and kept; the guide pen draws.
    Pen pen;
    QPointF start{0, 0};
    QPointF end{1, 1};
    // Entity attributes, the pen, "start" and "end" ((0, 0) when missing).
    void readXML(pugi::xml_node element) override;
    void calculateBoundingBox() override;
    // Strokes the part inside the visible area of the line through start
    // and end, spanned 100 inches either side of their midpoint; start and
    // end themselves are left as read.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("AngledGuide"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class PointGuide : public Guide {
public:
    explicit PointGuide(GraphicsSheet* sheet);
    Pen pen;
    QPointF position{0, 0};
    // Entity attributes, the pen, "at" ((0, 0) when missing).
    void readXML(pugi::xml_node element) override;
    QString typeName() const override { return QStringLiteral("Point Guide"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// The coordinate of a horizontal or vertical guide as typed, in inches.
class HorizontalGuideEditor : public EntityEditor {
    Q_OBJECT
public:
    HorizontalGuideEditor(std::shared_ptr<HorizontalGuide> guide, const QString& title, QWidget* parent = nullptr);
    std::shared_ptr<HorizontalGuide> guide;
    QString titleText;
    NumberField* yField = nullptr;
};

class VerticalGuideEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit VerticalGuideEditor(std::shared_ptr<VerticalGuide> guide, QWidget* parent = nullptr);
    std::shared_ptr<VerticalGuide> guide;
    NumberField* xField = nullptr;
};

class AngledGuideEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit AngledGuideEditor(std::shared_ptr<AngledGuide> guide, QWidget* parent = nullptr);
    std::shared_ptr<AngledGuide> guide;
};

class PointGuideEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit PointGuideEditor(std::shared_ptr<PointGuide> guide, QWidget* parent = nullptr);
    std::shared_ptr<PointGuide> guide;
};
