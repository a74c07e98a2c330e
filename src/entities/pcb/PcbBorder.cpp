#include "entities/pcb/PcbBorder.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "entities/pcb/Pad.h"
#include "entities/pcb/MaskOpening.h"

#include <QPainter>
#include <QPaintDevice>

#include <cmath>

namespace {

// Calls f on every entity of the list, descending into holders, in list
// order: one walk for the pads and the other openings.
template <class F>
void forEachOpening(const EntityList& list, F&& f)
{
    for (const auto& e : list.entities) {
        f(e);
        if (IEntityHolder* h = e->holder())
            forEachOpening(h->entities(), f);
    }
}

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

PcbBorder::PcbBorder(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
    editBrush().color = fillColor;
    layerIndex = PcbLayerList::kBoardBorderLayer;
}

std::shared_ptr<PcbBorder> PcbBorder::create(GraphicsSheet* sheet)
{
    auto border = std::make_shared<PcbBorder>(sheet);
    if (auto* pcb = dynamic_cast<PCB*>(sheet))
        pcb->registerBoardBorder(border);
    return border;
}

QWidget* PcbBorder::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbBorderEditor(std::static_pointer_cast<PcbBorder>(self));
}

void PcbBorder::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    EntityList::readEntities(element, sheet, entities);
    layerIndex = PcbLayerList::kBoardBorderLayer;
    castellated = readBoolAttribute(element, "castellated", castellated);
    clipCutouts = readBoolAttribute(element, "clipCutouts", clipCutouts);
    usePcbBorder = readBoolAttribute(element, "usePcbBorder", usePcbBorder);
    solderMaskColor = readColorAttribute(element, "solderMaskColor", solderMaskColor);
    addMountingHoles = readBoolAttribute(element, "addMountingHoles", addMountingHoles);
    addFiducials = readBoolAttribute(element, "addFiducials", addFiducials);
    fillColor = readColorAttribute(element, "color", fillColor);
    editBrush().color = fillColor;
}

void PcbBorder::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    // The sheet measures every entity in the same pass, so a pad or via that
    // moved is known to have moved after this pass: the kept fill is stale.
    ++geometryPasses_;
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    closedCurveBounds();
    entities.updateBoundingBox(netTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

QPainterPath PcbBorder::boardShape() const
{
    return outlinePath();
}

void PcbBorder::draw(Graphics& g) const
{
    ClosedCurve::draw(g);
    // A border on a schematic sheet is only the closed curve.
    auto* pcb = dynamic_cast<PCB*>(sheet);
    if (!pcb)
        return;
    const QColor color = pcb->layerList.showPcbSolid ? brush().color : QColor(0, 0, 0, 0);
    fillBoardShape(g, color);
}

void PcbBorder::fillBoardShape(Graphics& g, const QColor& color) const
{
    fillBoardShape(g, color, singleLevelTransform);
}

void PcbBorder::fillBoardShape(Graphics& g, const QColor& color, const std::optional<QTransform>& placement) const
{
    g.pushTransform(placement);
    const QPainterPath shape = boardShape();
    // An open Bezier outline is stroked, not filled.
    const bool filled = curveType() != CurveType::curve || bezier().closed;
    if (filled && isDrawable(color)) {
        g.context.setFillColor(g.effectiveColor(color));
        g.context.beginPath();
        g.context.addPath(shape);
        g.context.fillPath(Qt::WindingFill);
    }
    if (isDrawable(pen().color)) {
        g.applyPen(pen());
        g.context.beginPath();
        g.context.addPath(shape);
        g.context.strokePath();
    }
    g.popTransform(placement);
}

void PcbBorder::drawBoardFill(Graphics& g, const QColor& color)
{
    g.useLayerColor = false;
    auto* pcb = dynamic_cast<PCB*>(sheet);
    if (!pcb || !boundingBox.valid || (!isDrawable(color) && !isDrawable(pen().color)))
        return;

    DrawingContext& context = g.context;
    QPainter& painter = context.painter();
    QPaintDevice* device = painter.device();
    if (!device)
        return;

    // The fill is clipped to the border's box. On a view that is not rotated
    // the box is an upright rectangle on the device, and the layer below is
    // simply cropped to it; otherwise the layer is clipped by the box's image.
    const QTransform toDevice = context.transform();
    const bool upright = toDevice.type() <= QTransform::TxScale;
    // The crop is on whole device pixels, not view units: at a pixel ratio
    // of 2 a view may start half a unit off the one it is part of.
    const qreal ratio = device->devicePixelRatioF();
    const QRectF boxOnDevice = (toDevice * QTransform::fromScale(ratio, ratio)).mapRect(boundingBox.rect());
    if (!finiteRect(boxOnDevice))
        return;
    const QRect deviceRect(0, 0, device->width(), device->height());
    // Cut to the device before turning into whole pixels: a far-off box does
    // not fit in int.
    const QRectF onDevice = boxOnDevice.intersected(QRectF(deviceRect));
    if (onDevice.isEmpty())
        return;
    // Each edge is rounded on its own: QRectF::toRect rounds the size by the
    // top left's fraction, so an edge would move with the part of the box
    // the device cuts off (a narrow view, a band).
    const auto roundedEdges = [](const QRectF& r) {
        const auto edge = [](double v) { return int(std::floor(v + 0.5)); };
        return QRect(QPoint(edge(r.left()), edge(r.top())), QPoint(edge(r.right()) - 1, edge(r.bottom()) - 1));
    };
    const QRect area = (upright ? roundedEdges(onDevice) : onDevice.toAlignedRect()) & deviceRect;
    if (area.isEmpty())
        return;

    // The openings must be cut wherever any of them lies. An even-odd clip of
    // the box and the openings would paint the mask back where two openings
    // overlap (the top and bottom pads of a through-hole stack), so the fill
    // goes into a layer, each opening is cleared from it in turn, and the
    // layer is laid over the board.
    const FillKey key{toDevice, area, ratio, color.rgba(), pen().color.rgba(), pen().width,
        pcb->pcbSettings.solderMaskMargin, geometryPasses_};
    if (fillLayerKey_ == key && !fillLayer_.isNull()) {
        drawFillLayer(painter, area);
        return;
    }
    fillLayerKey_.reset();
    const QSize pixels = area.size();
    if (fillLayer_.size() != pixels || fillLayer_.devicePixelRatioF() != ratio) {
        fillLayer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        if (fillLayer_.isNull())
            return;
        fillLayer_.setDevicePixelRatio(ratio);
    }
    fillLayer_.fill(Qt::transparent);

    {
        QPainter layerPainter(&fillLayer_);
        DrawingContext layerContext(layerPainter);
        layerContext.setTransform(toDevice * QTransform::fromTranslate(-area.x() / ratio, -area.y() / ratio));
        Graphics layer(layerContext);
        layer.drawingPcb = g.drawingPcb;
        layer.currentLayer = g.currentLayer;
        layer.layerColor = g.layerColor;
        layer.useLayerColor = false;
        layer.viewportBoundingBox = g.viewportBoundingBox;

        if (!upright) {
            layerContext.beginPath();
            layerContext.addRect(boundingBox.rect());
            layerContext.clip(Qt::WindingFill);
        }

        // The box is measured under the net transform, so the shape is
        // placed by it too (the same as the own placement for a border at
        // the top of the sheet).
        fillBoardShape(layer, color, netTransform);

        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        const QColor clear(0, 0, 0);
        // Openings wholly off the layer are skipped (a pad's box does not
        // hold its mask margin, so the layer's reach is grown by it).
        const double margin = std::isfinite(pcb->pcbSettings.solderMaskMargin) ? pcb->pcbSettings.solderMaskMargin : 0;
        BoundingBox reach;
        bool invertible = false;
        const QTransform toSheet = toDevice.inverted(&invertible);
        if (invertible)
            reach.addTransformedRect(QRectF(QPointF(area.topLeft()) / ratio, QSizeF(area.size()) / ratio), toSheet);
        reach = reach.expanded(std::abs(margin) + layer.pixelSize());
        auto offLayer = [&reach](const BoundingBox& box, double overhang = 0) {
            return box.valid && reach.valid && !box.expanded(overhang).intersects(reach);
        };

        // Clearing is a union: the order of the openings plays no part.
        if (openingsPass_ != geometryPasses_)
            gatherOpenings(*pcb);
        for (const std::shared_ptr<Pad>& pad : openingPads_) {
            if (!offLayer(pad->boundingBox))
                pad->fillPadClearance(layer, clear);
        }
        for (const Opening& o : openings_) {
            const double overhang = o.opening->maskOpeningOverhang();
            if (!offLayer(o.entity->boundingBox, std::isfinite(overhang) ? std::abs(overhang) : 0))
                o.opening->fillMaskOpening(layer, clear, margin);
        }
    }

    fillLayerKey_ = key;
    drawFillLayer(painter, area);
}

void PcbBorder::gatherOpenings(PCB& pcb)
{
    openingPads_.clear();
    openings_.clear();
    forEachOpening(pcb.entityList, [&](const std::shared_ptr<Entity>& e) {
        if (auto pad = std::dynamic_pointer_cast<Pad>(e))
            openingPads_.push_back(std::move(pad));
        else if (auto* opening = dynamic_cast<IMaskOpening*>(e.get()))
            openings_.push_back({e, opening});
    });
    openingsPass_ = geometryPasses_;
}

void PcbBorder::drawFillLayer(QPainter& painter, const QRect& area) const
{
    painter.save();
    // Laid in device pixels, source and target the same size: scaled by the
    // pixel ratio, Qt draws the last row a level apart where the device is
    // cut elsewhere (a band).
    const qreal ratio = fillLayer_.devicePixelRatioF();
    painter.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.drawImage(QRectF(area), fillLayer_, QRectF(fillLayer_.rect()));
    painter.restore();
}

void PcbBorder::drawHolePass(Graphics& g, const QColor&) const
{
    if (entities.entities.empty())
        return;
    const int savedLayer = g.currentLayer;
    g.currentLayer = PcbLayerList::kBoardBorderLayer;
    // The children are measured under the border's transform, so they are
    // drawn under it too.
    g.context.saveState();
    g.pushTransform(singleLevelTransform);
    entities.draw(g);
    g.popTransform(singleLevelTransform);
    g.context.restoreState();
    g.currentLayer = savedLayer;
}

QString PcbBorder::typeName() const
{
    return QStringLiteral("Pcb Border");
}

PcbBorderEditor::PcbBorderEditor(std::shared_ptr<PcbBorder> pcbBorder, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Border"), {}, parent)
    , pcbBorder(pcbBorder)
{
    keepEntityAlive(std::move(pcbBorder));
}
