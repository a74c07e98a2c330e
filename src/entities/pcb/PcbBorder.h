#pragma once
// The outline of the board: a closed curve drawn in the board-border pass
// (layer -2), and the board fill, the board shape painted in the top
// solder-mask colour with the pads, vias, holes and cutouts left open.

#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "model/ClosedCurve.h"
#include "model/EntityList.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QTransform>
#include <memory>
#include <optional>
#include <vector>

class IMaskOpening;
class QPainter;
class Pad;

class PcbBorder : public ClosedCurve, public IBoardBorder {
public:
    // Use create(): a border made on a PCB sheet registers itself there.
    explicit PcbBorder(GraphicsSheet* sheet);
    // A new border on the sheet, registered as the board border when the
    // sheet is a PCB sheet (the last one made wins).
    static std::shared_ptr<PcbBorder> create(GraphicsSheet* sheet);

    // Children drawn in the hole pass only; the border is not a holder, so
    // they take part in no other pass and no collection of the sheet.
    EntityList entities;
    bool castellated = false;
    bool clipCutouts = true;
    bool usePcbBorder = false;
    QColor solderMaskColor = QColor::fromRgbF(0, 1, 0, 0.251f);
    bool addMountingHoles = false;
    bool addFiducials = false;
    // "color"; the brush takes it after reading.
    QColor fillColor = QColor::fromRgbF(0, 0.5f, 0, 1);

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // The closed curve, then the board shape filled in the brush colour when
    // the board is shown solid (else only its outline stroked).
    void draw(Graphics& g) const override;
    // The children on layer -2, under the border's placement.
    void drawHolePass(Graphics& g, const QColor& color) const override;
    // The outline's box united with the children's boxes.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;

    // The board shape in the mask colour, clipped to the border's box, except
    // over the union of every pad's clearance outline and the openings of the
    // vias, holes and cutouts (each grown by the mask margin).
    void drawBoardFill(Graphics& g, const QColor& color) override;
    // The board shape under the border's placement, filled with the colour
    // and stroked with the pen.
    void fillBoardShape(Graphics& g, const QColor& color) const;

    // The board shape in the border's own coordinates: the rectangle (with
    // its rounded corners), the ellipse or the Bezier outline.
    QPainterPath boardShape() const;

private:
    void fillBoardShape(Graphics& g, const QColor& color, const std::optional<QTransform>& placement) const;
    // What the board fill's layer was made from: the view, the colours, the
    // mask margin and the sheet's geometry pass (every entity of the sheet is
    // measured in the same pass as the border).
    struct FillKey {
        QTransform toDevice;
        QRect area;
        qreal ratio = 0;
        QRgb color = 0;
        QRgb penColor = 0;
        double penWidth = 0;
        double margin = 0;
        quint64 geometryPass = 0;
        bool operator==(const FillKey&) const = default;
    };
    void drawFillLayer(QPainter& painter, const QRect& area) const;

    // The fill is painted into this layer first, the openings are cleared
    // from it, and the layer is laid over the board. Kept between frames and
    // painted again only when its key changes.
    QImage fillLayer_;
    std::optional<FillKey> fillLayerKey_;
    quint64 geometryPasses_ = 0;
    // The sheet's pads and other openings, gathered once per geometry pass of
    // the sheet for the fill.
    void gatherOpenings(PCB& pcb);
    std::vector<std::shared_ptr<Pad>> openingPads_;
    struct Opening {
        std::shared_ptr<Entity> entity;
        IMaskOpening* opening = nullptr; // the same object
    };
    std::vector<Opening> openings_;
    std::optional<quint64> openingsPass_;
};

// The titled frame "PCB Border" with nothing to edit.
class PcbBorderEditor : public FrameEditor {
public:
    explicit PcbBorderEditor(std::shared_ptr<PcbBorder> pcbBorder, QWidget* parent = nullptr);
    std::shared_ptr<PcbBorder> pcbBorder;
};
