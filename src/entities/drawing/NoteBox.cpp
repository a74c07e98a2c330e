#include "entities/drawing/NoteBox.h"

#include "core/Geometry.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

namespace {

const QColor shadowGrey = QColor::fromRgbF(0.5, 0.5, 0.5, 1);
const QColor boxWhite = QColor::fromRgbF(1, 1, 1, 1);

// Fills a path given in the current model coordinates in one colour (the
// layer colour when in force); the alpha rule is the entity colour's.
void fillInColor(Graphics& g, const QPainterPath& path, const QColor& color)
{
    if (!isDrawable(color) || !isDrawable(g.effectiveColor(color)))
        return;
    g.context.setFillColor(g.effectiveColor(color));
    g.context.beginPath();
    g.context.addPath(path);
    g.context.fillPath(Qt::WindingFill);
}

} // namespace

NoteBox::NoteBox(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void NoteBox::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    pen.readXML(element);
    rectangle = QRectF(readFloatAttribute(element, "boxLeft", 0), readFloatAttribute(element, "boxBase", 0),
                       readDoubleAttribute(element, "boxWidth", 1), readDoubleAttribute(element, "boxHeight", 1));
    roundness = readFloatAttribute(element, "roundness", roundness);
    autoSize = readBoolAttribute(element, "autoSize", autoSize);
    extrusionBase = readFloatAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readFloatAttribute(element, "extrusionHeight", extrusionHeight);
}

void NoteBox::calculateBoundingBox()
{
    measureLines();

    // The shadow follows the box and pen of this pass; a pen that is not
    // solid casts none (also when it was solid at an earlier pass).
    if (pen.linePattern == LinePattern::solid) {
        const double half = pen.width / 2;
        shadowBox = rectangle.normalized()
                        .adjusted(-half, -half, half, half)
                        .translated(kShadowOffset, -kShadowOffset);
    } else {
        shadowBox.reset();
    }

    boundingBox.addTransformedRect(rectangle, netTransform);
    placingBox.addRect(rectangle);
    // The text's gradient spans the box and its text where they are drawn.
    brush.rectangle = placingBox.rect();
    if (isDrawable(pen.color)) {
        boundingBox = boundingBox.expanded(pen.width / 2);
        placingBox = placingBox.expanded(pen.width / 2);
    }
    // Several lines are placed from the whole box and may run past it.
    addPlacedLines();
}

void NoteBox::draw(Graphics& g) const
{
    g.pushTransform(singleLevelTransform);
    if (shadowBox) {
        QPainterPath shadow = RoundedRectanglePath::path(RoundedSideType::all, *shadowBox, roundness);
        fillInColor(g, shadow, shadowGrey);
    }
    if (roundness > 0) {
        const QPainterPath box = RoundedRectanglePath::path(RoundedSideType::all, rectangle, roundness);
        fillInColor(g, box, boxWhite);
        if (isDrawable(pen.color)) {
            g.applyPen(pen);
            g.context.beginPath();
            g.context.addPath(box);
            g.context.strokePath();
        }
    } else {
        const QRectF box = rectangle.normalized();
        g.fillAndStrokeRectangle(pen, Brush(boxWhite), box.x(), box.y(), box.width(), box.height());
    }
    g.popTransform(singleLevelTransform);
    TextEntity::draw(g);
}
