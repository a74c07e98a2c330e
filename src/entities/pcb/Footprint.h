#pragma once
// The PCB-side body of one component: part metadata and a child list holding
// its pads, silkscreen, courtyard, placement point, texts and 3D bodies.
// Base of every parametric footprint family.

#include "core/SharedValue.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPointF>
#include <QString>
#include <utility>
#include <vector>

class Footprint : public Entity, public IEntityHolder {
public:
    explicit Footprint(GraphicsSheet* sheet);

    bool goldPlated = false;
    bool isPadHolder = false;
    bool onTopLayer = false;

private:
    // Next to the flags, where it takes no room of its own.
    bool passReachKnown_ = false;

public:
    int symbolCount = 1;
    // Stored as read; the placement is the transform.
    QPointF position = QPointF(0, 0);

    // Part metadata, stored only. A footprint carries a few of these texts,
    // so only the given ones are held.
    enum class PartText : unsigned char {
        comment,
        dataSheet,
        deviceType,
        documentDescription,
        fullDocumentDescription,
        manufacturer,
        manufacturersPartNumber,
        manufacturersWebSite,
        modelScript,
        package,
        partNumber,
        partPrice,
        partType,
        symbolType,
        vendor,
        vendorsPartNumber,
        vendorsWebSite,
    };
    // The text as read or set; a null text when never given.
    QString partText(PartText which) const;
    void setPartText(PartText which, const QString& text);

    EntityList children;

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // The children's pass under the footprint's own transform; nothing for
    // an empty list.
    void drawPadPass(Graphics& g) const override;
    void drawHolePass(Graphics& g, const QColor& color) const override;
    // Own box (calculateBoundingBox, empty here) united with the children's,
    // measured under the footprint's net transform.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    // Entity attributes, the part metadata, then the children. Subclasses
    // call it first and read their own attributes after it.
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    // What the pad and hole passes can reach, in sheet coordinates, as the
    // last measure found it: the pads' outlines, and their holes and names.
    // Known only while every child is of a kind whose passes are known
    // (pads, silkscreen, footprint texts); an empty reach with known kinds
    // means the pass draws nothing.
    bool passReachKnown() const { return passReachKnown_; }
    // The pads' outlines' box and the hole pass's reach, within two device
    // pixels under the placement's stretch (the footprint leaves out a pass
    // off the view by the same test), when known and there are children.
    PassReach passReach() override;
    const BoundingBox& holePassReach() const { return holeReach_; }
    // The same as the footprint's own passes (not a subclass's override of
    // them, which the list runs separately).
    void drawChildrenPadPass(Graphics& g) const override { Footprint::drawPadPass(g); }
    void drawChildrenHolePass(Graphics& g, const QColor& color) const override { Footprint::drawHolePass(g, color); }
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }

private:
    // The given texts, shared between the footprints that were given equal
    // ones (copies of one part repeat them).
    struct PartTexts {
        std::vector<std::pair<PartText, QString>> items;
        const QString* find(PartText which) const;
        void set(PartText which, const QString& text);
        bool sameAs(const PartTexts& other) const;
    };
    SharedValue<PartTexts> partTexts_;
    void measurePassReach();
    // How far the placement may stretch a length, as the pass tests measure it.
    double passStretch() const;
    // Whether the pass can leave the footprint out: its reach is known and
    // lies off the view (grown by a margin for hairlines).
    bool passOffView(Graphics& g, const BoundingBox& reach) const;
    BoundingBox holeReach_;
};
