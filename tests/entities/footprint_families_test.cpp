#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/footprints/BoardPackages.h"
#include "entities/footprints/ChipFootprint.h"
#include "entities/footprints/CylindricalPackages.h"
#include "entities/footprints/HeaderFootprint.h"
#include "entities/footprints/RadialAndToPackages.h"
#include "entities/footprints/SurfaceMountPackages.h"
#include "entities/footprints/TwoRowPackages.h"
#include "entities/pcb/Pad.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using namespace std::string_literals;

namespace {

double widened(float f) { return double(f); }

class FootprintFamilies : public ::testing::Test {
protected:
    // The entity the factory makes for the element, read as the entity list
    // reads it; none for a name the factory does not know.
    std::shared_ptr<Entity> load(const std::string& xml) { return readAs(xml, &pcb); }
    template <class T>
    std::shared_ptr<T> read(const std::string& xml)
    {
        std::shared_ptr<Entity> e = load(xml);
        auto typed = std::dynamic_pointer_cast<T>(e);
        EXPECT_TRUE(typed) << xml << " made " << (e ? typeid(*e).name() : "nothing");
        return typed;
    }
    // A header element with the given attributes.
    std::shared_ptr<Entity> header(const std::string& attributes) { return load("<headerFootprint " + attributes + "/>"); }

    Design design;
    std::shared_ptr<DesignState> state = design.currentDesignState();
    PCB& pcb = *state->pcb;
};

struct FamilyRow {
    const char* element;
    const std::type_info* type;
    const char* typeName;
    const char* editorTitle;
    // True when the editor is the family's own and holds this footprint.
    std::function<bool(QWidget*, const std::shared_ptr<Entity>&)> editorHolds;
};

template <class T>
FamilyRow row(const char* element, const char* typeName, const char* editorTitle)
{
    return {element, &typeid(T), typeName, editorTitle, [](QWidget* w, const std::shared_ptr<Entity>& e) {
                auto* editor = dynamic_cast<PackageEditor<T>*>(w);
                return editor && editor->footprint == e;
            }};
}

TEST_F(FootprintFamilies, EveryElementNameMakesItsFamilyWithItsNamesAndPlaceholderEditor)
{
    const std::vector<FamilyRow> rows = {
        row<AxialFootprint>("axialFootprint", "Axial Footprint", "Axial Footprint"),
        row<BGAFootprint>("bgaFootprint", "BGA Footprint", "BGA Footprint"),
        row<BlockFootprint>("blockFootprint", "Block Footprint", "Block Footprint"),
        row<BoxedSocketFootprint>("boxedSocketFootprint", "Boxed Socket Footprint", "Boxed Socket Footprint"),
        row<CastellatedPcb>("castellatedPcb", "Castellated Pcb", "Castellated Pcb"),
        row<ChipFootprint>("chipFootprint", "Chip Footprint", "Chip Footprint"),
        row<CrystalFootprint>("crystalFootprint", "Crystal Footprint", "Crystal Footprint"),
        row<DIPFootprint>("dipFootprint", "DIP Footprint", "DIP Footprint"),
        row<DiscFootprint>("discFootprint", "Disc Footprint", "Disc Footprint"),
        row<EdgeConnectorFootprint>("edgeConnectorFootprint", "Edge Connector", "Edge Connector"),
        row<FemaleHeaderFootprint>("femaleHeaderFootprint", "Female Header Footprint", "Female Header"),
        row<QuadFootprint>("fourSided", "Quad Footprint", "Quad Footprint"),
        row<QuadFootprint>("qfpFootprint", "Quad Footprint", "Quad Footprint"),
        row<GenericFootprint>("genericFootprint", "Generic Footprint", "Generic Footprint"),
        row<LEDFootprint>("ledFootprint", "LED Footprint", "LED Footprint"),
        row<MaleHeaderFootprint>("maleHeaderFootprint", "Male Header Footprint", "Male Header"),
        row<MELFFootprint>("melfFootprint", "MELF Footprint", "MELF Footprint"),
        row<MetalCanFootprint>("metalCanFootprint", "Metal Can Footprint", "Metal Can Footprint"),
        row<RadialFootprint>("radialFootprint", "Radial Footprint", "Radial Footprint"),
        row<SOD323Footprint>("sod323", "SOD323 Footprint", "SOD323 Footprint"),
        row<SOICFootprint>("soicFootprint", "SOIC Footprint", "SOIC Footprint"),
        row<SOT23Footprint>("SOT23Footprint", "SOT23 Footprint", "SOT23 Footprint"),
        row<SOT89Footprint>("SOT89Footprint", "SOT89 Footprint", "SOT89 Footprint"),
        row<SOT143Footprint>("SOT143Footprint", "SOT143 Footprint", "SOT143 Footprint"),
        row<SOT223Footprint>("SOT223Footprint", "SOT223 Footprint", "SOT223 Footprint"),
        row<SOT353Footprint>("SOT353Footprint", "SOT353 Footprint", "SOT353 Footprint"),
        row<SpiralAntennaFootprint>("spiralAntennaFootprint", "Spiral Antenna", "Spiral Antenna"),
        row<SpiralInductorFootprint>("spiralInductorFootprint", "Spiral Inductor", "Spiral Inductor"),
        row<TO66Footprint>("to66Footprint", "TO66 Footprint", "TO66 Footprint"),
        row<TO92Footprint>("to92Footprint", "TO92 Footprint", "TO92 Footprint"),
        row<TO92Footprint>("TO92Footprint", "TO92 Footprint", "TO92 Footprint"),
        row<TO220Footprint>("to220Footprint", "TO220 Footprint", "TO220 Footprint"),
        row<TO252Footprint>("to252Footprint", "TO252 Footprint", "TO252 Footprint"),
        row<XHSocketFootprint>("xhSocketFootprint", "XH Socket", "XH Socket Footprint"),
    };
    ASSERT_EQ(rows.size(), 34u); // 32 families, two of them under two names

    for (const FamilyRow& r : rows) {
        SCOPED_TRACE(r.element);
        // A common attribute and a child, to see the footprint reader ran.
        const std::shared_ptr<Entity> e =
            load("<"s + r.element + " partNumber=\"P1\" padRoundness=\"0.25\"><entities><pad id=\"1\"/></entities></" +
                 r.element + ">");
        ASSERT_TRUE(e);
        EXPECT_EQ(typeid(*e), *r.type);
        auto* footprint = dynamic_cast<ParametricFootprint*>(e.get());
        ASSERT_TRUE(footprint);
        EXPECT_EQ(footprint->partText(Footprint::PartText::partNumber), "P1");
        EXPECT_EQ(footprint->padRoundness, 0.25);
        EXPECT_EQ(footprint->children.entities.size(), 1u);
        EXPECT_EQ(e->typeName().toStdString(), r.typeName);

        std::unique_ptr<QWidget> editor(editorFor(e));
        ASSERT_TRUE(editor);
        EXPECT_TRUE(r.editorHolds(editor.get(), e));
        auto* placeholder = dynamic_cast<NotImplementedEditor*>(editor.get());
        ASSERT_TRUE(placeholder);
        EXPECT_EQ(placeholder->title().toStdString(), r.editorTitle);
        EXPECT_EQ(placeholder->messageLabel()->text().toStdString(), "Not implemented");
    }
}

TEST_F(FootprintFamilies, ElementNamesAreMatchedCaseAndAll)
{
    for (const char* name : {"To92Footprint", "TO66Footprint", "SOD323", "Sod323", "sOT23Footprint", "sot23Footprint",
                             "ChipFootprint", "fourside", "QfpFootprint", "HeaderFootprint", "twoSidedFootprint",
                             "parametricFootprint", "headerfootprint"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(load("<"s + name + "/>"));
    }
}

TEST_F(FootprintFamilies, ChipReadsEveryParameterWithItsPrecision)
{
    auto f = std::make_shared<ChipFootprint>(&pcb);
    EXPECT_FALSE(f->capWidth.isSet());

    f = read<ChipFootprint>("<chipFootprint/>");
    EXPECT_EQ(f->padSeparation, 0.06692913385826772);
    EXPECT_EQ(f->bodySize3D, (Vector3{0.0984251968503937, 0.03248031496062992, 0.03149606299212599}));
    EXPECT_EQ(f->capWidth.stored(), 0.0); // 0.7 of the default pad width
    EXPECT_EQ(f->eSeries, ESeries::none);
    EXPECT_EQ(f->packageType, ChipType::normal);

    f = read<ChipFootprint>("<chipFootprint padSize=\"0.05,0.04\" padSeparation=\"0.1\" bodySize3D=\"0.1,0.2,0.3\" "
                            "capWidth=\"0.03\" eSeries=\"e24\" packageType=\"tantalum\"/>");
    EXPECT_EQ(f->padSeparation, 0.1); // double precision
    EXPECT_EQ(f->bodySize3D, (Vector3{widened(0.1f), widened(0.2f), widened(0.3f)}));
    EXPECT_EQ(f->capWidth.get(), 0.029999999329447746);
    EXPECT_EQ(f->eSeries, ESeries::e24);
    EXPECT_EQ(f->packageType, ChipType::tantalum);

    // A cap width that is not a whole number counts as missing: 0.7 of the
    // single-precision pad width read on the same element.
    for (const char* text : {" 0.03", "0.03mm", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read<ChipFootprint>("<chipFootprint padSize=\"0.05,0.04\" capWidth=\""s + text + "\"/>")->capWidth.get(),
                  0.03500000052154064);
    }
    for (const char* text : {"Tantalum", "normal", "x", ""})
        EXPECT_EQ(read<ChipFootprint>("<chipFootprint packageType=\""s + text + "\"/>")->packageType, ChipType::normal);
    EXPECT_EQ(read<ChipFootprint>("<chipFootprint eSeries=\"E24\"/>")->eSeries, ESeries::none);
    EXPECT_EQ(read<ChipFootprint>("<chipFootprint eSeries=\"e96\"/>")->eSeries, ESeries::none);
    // A vector that is not three numbers keeps the current one.
    EXPECT_EQ(read<ChipFootprint>("<chipFootprint bodySize3D=\"0.1,0.2\"/>")->bodySize3D.x, 0.0984251968503937);
}

TEST_F(FootprintFamilies, TwoRowBaseDefaultsAndRules)
{
    // SOIC is the two-row base alone: its own-looking attributes are ignored.
    auto f = read<SOICFootprint>("<soicFootprint bottom=\"1\" angled=\"true\"/>");
    EXPECT_FALSE(f->doubleSided);
    EXPECT_EQ(f->pitch, QPointF(0, 0));
    EXPECT_EQ(f->leftPrefix, "");
    EXPECT_EQ(f->rightPrefix, "");
    EXPECT_EQ(f->rows, 0);
    EXPECT_FALSE(f->addCenterPad);
    EXPECT_EQ(f->leadType, PinLeadType::jLead);
    EXPECT_EQ(f->centerMargin.stored(), 0.011811023622047244);
    EXPECT_EQ(std::make_shared<SOICFootprint>(&pcb)->leadType, PinLeadType::gullWing);
    EXPECT_FALSE(std::make_shared<SOICFootprint>(&pcb)->centerMargin.isSet());

    f = read<SOICFootprint>("<soicFootprint doubleSided=\"true\" pitch=\"0.1,0.3\" leftPrefix=\"A\" rightPrefix=\"\" "
                            "rows=\"2\" addCenterPad=\"true\" leadType=\"straight\" centerMargin=\"0.02\"/>");
    EXPECT_TRUE(f->doubleSided);
    EXPECT_EQ(f->pitch.x(), 0.10000000149011612);
    EXPECT_EQ(f->pitch.y(), 0.30000001192092896);
    EXPECT_EQ(f->leftPrefix, "A");
    EXPECT_EQ(f->rows, 2);
    EXPECT_TRUE(f->addCenterPad);
    EXPECT_EQ(f->leadType, PinLeadType::straight);
    EXPECT_EQ(f->centerMargin.get(), 0.02);

    for (const char* text : {"2.0", " 2", ""})
        EXPECT_EQ(read<SOICFootprint>("<soicFootprint rows=\""s + text + "\"/>")->rows, 0) << text;
    EXPECT_EQ(read<SOICFootprint>("<soicFootprint rows=\"99999999999\"/>")->rows, 99999999999); // 64-bit
    EXPECT_EQ(read<SOICFootprint>("<soicFootprint leadType=\"Straight\"/>")->leadType, PinLeadType::jLead);
    EXPECT_EQ(read<SOICFootprint>("<soicFootprint centerMargin=\"0.02mm\"/>")->centerMargin.get(),
              0.011811023622047244);

    // The margin's fallback is the fixed default, not a margin read before.
    pugi::xml_document bare = parseXml("<soicFootprint/>");
    f->readXML(bare.first_child());
    EXPECT_EQ(f->centerMargin.get(), 0.011811023622047244);
}

TEST_F(FootprintFamilies, BlockBoxedCrystalDipAndFemaleHeaderParameters)
{
    auto block = read<BlockFootprint>("<blockFootprint margin=\"0.1,0.2\" eSeries=\"e12\"/>");
    EXPECT_EQ(block->margin, QSizeF(0.10000000149011612, 0.20000000298023224));
    EXPECT_EQ(block->verticalHeight, 0.0);
    EXPECT_EQ(block->eSeries, ESeries::e12);
    EXPECT_EQ(read<BlockFootprint>("<blockFootprint eSeries=\"E12\" verticalHeight=\"0.3\"/>")->eSeries, ESeries::none);
    EXPECT_EQ(read<BlockFootprint>("<blockFootprint verticalHeight=\"0.3\"/>")->verticalHeight, 0.3);

    auto boxed = read<BoxedSocketFootprint>("<boxedSocketFootprint bodyHeight=\"0.5\"/>");
    EXPECT_EQ(boxed->bottom, 0.027559055118110236);
    EXPECT_EQ(boxed->top, 0.31496062992125984);
    EXPECT_EQ(boxed->bodyClearance, 0.00039370078740157485);
    EXPECT_FALSE(boxed->bodyHeight.isSet());
    boxed = read<BoxedSocketFootprint>("<boxedSocketFootprint bottom=\"0.1\" top=\" 1\" bodyClearance=\"0.2\" "
                                       "angled=\"true\" leftFacingIfAngles=\"true\" keyHoleOnBottom=\"TRUE\"/>");
    EXPECT_EQ(boxed->bottom, 0.10000000149011612);
    EXPECT_EQ(boxed->top, 0.31496062992125984);
    EXPECT_EQ(boxed->bodyClearance, widened(0.2f));
    EXPECT_TRUE(boxed->angled);
    EXPECT_TRUE(boxed->leftFacingIfAngles);
    EXPECT_FALSE(boxed->keyHoleOnBottom);

    EXPECT_EQ(read<CrystalFootprint>("<crystalFootprint roundness=\"0.5\"/>")->roundness, 0.5);
    EXPECT_EQ(read<CrystalFootprint>("<crystalFootprint roundness=\"half\"/>")->roundness, 0.0);
    EXPECT_EQ(read<CrystalFootprint>("<crystalFootprint eSeries=\"e6\"/>")->eSeries, ESeries::e6);

    // The socket colour falls back to black, not to the grey of a new DIP.
    auto fresh = std::make_shared<DIPFootprint>(&pcb);
    EXPECT_NEAR(fresh->socketColor.redF(), 0.251, 1e-4);
    auto dip = read<DIPFootprint>("<dipFootprint/>");
    EXPECT_EQ(dip->socketColor, QColor::fromRgbF(0, 0, 0, 1));
    EXPECT_EQ(dip->packageType, DIPFootprint::PackageType::dip);
    EXPECT_FALSE(dip->addSocket);
    EXPECT_EQ(read<DIPFootprint>("<dipFootprint socketColor=\"1,2,3\"/>")->socketColor, QColor(1, 2, 3));
    EXPECT_EQ(read<DIPFootprint>("<dipFootprint socketColor=\"300,2,3\"/>")->socketColor, QColor(0, 0, 0));
    dip = read<DIPFootprint>("<dipFootprint type=\"switch\" addSocket=\"true\"/>");
    EXPECT_EQ(dip->packageType, DIPFootprint::PackageType::rockerSwitch);
    EXPECT_TRUE(dip->addSocket);
    EXPECT_EQ(read<DIPFootprint>("<dipFootprint type=\"led\"/>")->packageType, DIPFootprint::PackageType::led);
    for (const char* attributes : {"type=\"rockerSwitch\"", "type=\"LED\"", "packageType=\"led\"", "addSocket=\"True\""}) {
        SCOPED_TRACE(attributes);
        dip = read<DIPFootprint>("<dipFootprint "s + attributes + "/>");
        EXPECT_EQ(dip->packageType, DIPFootprint::PackageType::dip);
        EXPECT_FALSE(dip->addSocket);
    }

    auto female = read<FemaleHeaderFootprint>("<femaleHeaderFootprint top=\"0.25\" bodyHeight=\"0.3in\"/>");
    EXPECT_EQ(female->top, 0.25);
    EXPECT_EQ(female->bottom, 0.0);
    EXPECT_EQ(female->bodyClearance, 0.0);
    EXPECT_EQ(female->bodyHeight, 0.0);
    female = read<FemaleHeaderFootprint>("<femaleHeaderFootprint bottom=\"0.1\" bodyClearance=\"0.1\" bodyHeight=\"0.1\"/>");
    EXPECT_EQ(female->bottom, 0.10000000149011612);
    EXPECT_EQ(female->bodyClearance, 0.10000000149011612);
    EXPECT_EQ(female->bodyHeight, 0.10000000149011612);
}

TEST_F(FootprintFamilies, MaleHeaderAndXhSocketParameters)
{
    auto male = read<MaleHeaderFootprint>(
        "<maleHeaderFootprint bottom=\"0.1\" top=\" 2\" bodyClearance=\"0.2\" bodyHeight=\"0.3\"/>");
    EXPECT_EQ(male->bottom, 0.10000000149011612);
    EXPECT_EQ(male->top, 0.0);
    EXPECT_EQ(male->bodyClearance, widened(0.2f));
    EXPECT_EQ(male->bodyHeight, widened(0.3f));
    // bottom and top keep their value on an unreadable text; the clearance
    // and height fall back to 0.
    male->bottom = male->top = male->bodyClearance = male->bodyHeight = 5;
    pugi::xml_document doc = parseXml("<maleHeaderFootprint top=\"2mm\" bodyClearance=\"x\"/>");
    male->readXML(doc.first_child());
    EXPECT_EQ(male->bottom, 5);
    EXPECT_EQ(male->top, 5);
    EXPECT_EQ(male->bodyClearance, 0.0);
    EXPECT_EQ(male->bodyHeight, 0.0);

    auto xh = read<XHSocketFootprint>("<xhSocketFootprint extension=\"0.2\" leadType=\"gullWing\" angled=\"TRUE\"/>");
    EXPECT_EQ(xh->bottom, 0.2); // double precision
    EXPECT_EQ(xh->leadType, PinLeadType::straight);
    EXPECT_FALSE(xh->angled);
    EXPECT_EQ(read<XHSocketFootprint>("<xhSocketFootprint extension=\"0.2\" bottom=\"0.3\"/>")->bottom, 0.3);
    EXPECT_EQ(read<XHSocketFootprint>("<xhSocketFootprint extension=\"0.2\" bottom=\"x\"/>")->bottom, 0.2);
    xh = read<XHSocketFootprint>(
        "<xhSocketFootprint angled=\"true\" top=\"0.1\" bodyClearance=\"0.01\" bodyHeight=\"0.4\"/>");
    EXPECT_TRUE(xh->angled);
    EXPECT_EQ(xh->bottom, 0.0);
    EXPECT_EQ(xh->top, 0.1);
    EXPECT_EQ(xh->bodyClearance, 0.01);
    EXPECT_EQ(xh->bodyHeight, 0.4);
}

TEST_F(FootprintFamilies, AxialDiscLedMelfAndMetalCanParameters)
{
    auto axial = read<AxialFootprint>("<axialFootprint eSeries=\"e48\" addColorBands=\"true\" verticalMount=\"true\" "
                                      "polarized=\"true\" addOnLeft=\"true\" flipBody=\"true\" padSeparation=\"0.4,0\" "
                                      "bodySize=\"0.25,0.1\"/>");
    EXPECT_EQ(axial->eSeries, ESeries::e48);
    EXPECT_TRUE(axial->addColorBands && axial->verticalMount && axial->polarized && axial->addOnLeft);
    EXPECT_FALSE(axial->flipBody);
    EXPECT_EQ(axial->padSeparation, QPointF(0.4000000059604645, 0.0));
    EXPECT_EQ(axial->bodySize, QSizeF(0.25, widened(0.1f)));
    EXPECT_EQ(read<AxialFootprint>("<axialFootprint padSeparation=\"0.4\"/>")->padSeparation, QPointF(0, 0));

    auto disc = std::make_shared<DiscFootprint>(&pcb);
    EXPECT_FALSE(disc->padSeparation.isSet() || disc->bodyAspectRatio.isSet() || disc->heightAspectRatio.isSet());
    disc = read<DiscFootprint>("<discFootprint bodyAspectRatio=\" 2\"/>");
    EXPECT_EQ(disc->padSeparation.stored(), 0.1);
    EXPECT_EQ(disc->bodyAspectRatio.stored(), 1.0);
    EXPECT_EQ(disc->heightAspectRatio.stored(), 1.0);
    EXPECT_EQ(disc->eSeries, ESeries::none);
    disc = read<DiscFootprint>("<discFootprint padSeparation=\"0.3\" bodyAspectRatio=\"2.5\" heightAspectRatio=\"0.5\"/>");
    EXPECT_EQ(disc->padSeparation.get(), 0.3);
    EXPECT_EQ(disc->bodyAspectRatio.get(), 2.5);
    EXPECT_EQ(disc->heightAspectRatio.get(), 0.5);
    // Fixed fallbacks: what the fields held plays no part.
    pugi::xml_document bare = parseXml("<discFootprint/>");
    disc->readXML(bare.first_child());
    EXPECT_EQ(disc->padSeparation.get(), 0.1);
    EXPECT_EQ(disc->bodyAspectRatio.get(), 1.0);

    // The LED's lazy first values follow the pad size read on the element.
    auto led = read<LEDFootprint>("<ledFootprint padSize=\"0.05,0.05\"/>");
    const double diameter = (widened(0.05f) + 0.1) * 1.1;
    EXPECT_EQ(led->bodyDiameter.stored(), diameter);
    EXPECT_EQ(led->bodyHeight.stored(), diameter * 1.5);
    EXPECT_EQ(led->padSeparation.stored(), 0.1);
    led = read<LEDFootprint>("<ledFootprint bodyDiameter=\"0.2\" padSeparation=\"0.15\"/>");
    EXPECT_EQ(led->bodyHeight.get(), 0.30000000000000004);
    EXPECT_EQ(led->padSeparation.get(), 0.15);
    EXPECT_EQ(read<LEDFootprint>("<ledFootprint bodyHeight=\"0.4\"/>")->bodyHeight.get(), 0.4);
    // A value made before reading is the fallback, not a fresh one.
    led = std::make_shared<LEDFootprint>(&pcb);
    EXPECT_EQ(led->bodyDiameter.get(), 0.1 * 1.1);
    pugi::xml_document ledDoc = parseXml("<ledFootprint padSize=\"1,1\"/>");
    led->readXML(ledDoc.first_child());
    EXPECT_EQ(led->bodyDiameter.get(), 0.1 * 1.1);

    auto melf = read<MELFFootprint>("<melfFootprint eSeries=\"e6\" bodySize=\"0.2,0.08\" endCapsize=\"0.04,0.08\" "
                                    "addColorBands=\"true\" polarized=\"true\" padSeparation=\"0.1\"/>");
    EXPECT_EQ(melf->eSeries, ESeries::e6);
    EXPECT_EQ(melf->bodySize, QSizeF(widened(0.2f), widened(0.08f)));
    EXPECT_EQ(melf->endCapsize, QSizeF(widened(0.04f), widened(0.08f)));
    EXPECT_TRUE(melf->addColorBands && melf->polarized);
    EXPECT_EQ(melf->padSeparation, 0.1);
    EXPECT_EQ(read<MELFFootprint>("<melfFootprint endCapSize=\"0.04,0.08\"/>")->endCapsize, QSizeF(0, 0));

    auto can = read<MetalCanFootprint>("<metalCanFootprint/>");
    EXPECT_EQ(can->pins.stored(), 3);
    EXPECT_EQ(can->stubAngleInDegrees.stored(), 45.0);
    for (const char* text : {"8.0", ""})
        EXPECT_EQ(read<MetalCanFootprint>("<metalCanFootprint pins=\""s + text + "\"/>")->pins.get(), 3) << text;
    can = read<MetalCanFootprint>("<metalCanFootprint canRadius=\"0.1\" canHeight=\"0.2\" baseRingRadius=\"0.3\" "
                                  "baseRingHeight=\"0.4\" stubAngleInDegrees=\"30\" stubSize=\"0.5\" pinRadius=\"0.6\" "
                                  "pins=\"8\"/>");
    EXPECT_EQ(can->canRadius, 0.1);
    EXPECT_EQ(can->canHeight, 0.2);
    EXPECT_EQ(can->baseRingRadius, 0.3);
    EXPECT_EQ(can->baseRingHeight, 0.4);
    EXPECT_EQ(can->stubAngleInDegrees.get(), 30.0);
    EXPECT_EQ(can->stubSize, 0.5);
    EXPECT_EQ(can->pinRadius, 0.6);
    EXPECT_EQ(can->pins.get(), 8);
    // The pins' first value is the current defaultPins.
    can = std::make_shared<MetalCanFootprint>(&pcb);
    can->defaultPins = 5;
    pugi::xml_document canDoc = parseXml("<metalCanFootprint/>");
    can->readXML(canDoc.first_child());
    EXPECT_EQ(can->pins.get(), 5);
}

TEST_F(FootprintFamilies, RadialAndToParameters)
{
    auto radial = read<RadialFootprint>("<radialFootprint padSeparation=\"0.3\" padRoundness=\"0.7\"/>");
    EXPECT_EQ(radial->radialCapacitorType, RadialCapacitorType::tph);
    EXPECT_EQ(radial->padSeparation, 0.2);
    EXPECT_EQ(radial->bodyDiameter, 1.0);
    EXPECT_EQ(radial->bodyHeight, 1.0);
    EXPECT_FALSE(radial->polarized);
    radial = read<RadialFootprint>("<radialFootprint packageType=\"d8\" roundness=\"0.3\" bodyDiameter=\"5e-1\" "
                                   "bodyHeight=\"0.7\" polarized=\"true\"/>");
    EXPECT_EQ(radial->radialCapacitorType, RadialCapacitorType::d8);
    EXPECT_EQ(radial->padSeparation, 0.3);
    EXPECT_EQ(radial->padRoundness, 0.0);
    EXPECT_EQ(radial->bodyDiameter, 0.5);
    EXPECT_EQ(radial->bodyHeight, 0.7);
    EXPECT_TRUE(radial->polarized);
    EXPECT_EQ(read<RadialFootprint>("<radialFootprint packageType=\"k16\"/>")->radialCapacitorType,
              RadialCapacitorType::k16);
    for (const char* text : {"D8", "x", ""})
        EXPECT_EQ(read<RadialFootprint>("<radialFootprint packageType=\""s + text + "\"/>")->radialCapacitorType,
                  RadialCapacitorType::tph);
    for (const char* text : {" 0.5", "0.5in"})
        EXPECT_EQ(read<RadialFootprint>("<radialFootprint bodyDiameter=\""s + text + "\"/>")->bodyDiameter, 1.0);
    EXPECT_FALSE(read<RadialFootprint>("<radialFootprint polarized=\"TRUE\"/>")->polarized);
    for (RadialCapacitorType t : {RadialCapacitorType::b, RadialCapacitorType::tph, RadialCapacitorType::h13,
                                  RadialCapacitorType::j16})
        EXPECT_EQ(radialCapacitorTypeFromString(toString(t)), t);

    auto to66 = read<TO66Footprint>("<to66Footprint swatHeatSink=\"true\" isTo66=\"true\" addHeatSink=\"true\"/>");
    EXPECT_TRUE(to66->isTo66);
    EXPECT_TRUE(to66->addHeatSink);
    EXPECT_FALSE(to66->swatHeatSink);
    EXPECT_TRUE(read<TO66Footprint>("<to66Footprint hide=\"true\"/>")->swatHeatSink);

    auto to220 = read<TO220Footprint>("<to220Footprint addHeatSink=\"true\" isTo66=\"true\" hide=\"true\"/>");
    EXPECT_TRUE(to220->addHeatSink);
    EXPECT_FALSE(read<TO220Footprint>("<to220Footprint/>")->addHeatSink);
}

TEST_F(FootprintFamilies, BoardLevelParameters)
{
    auto castellated = read<CastellatedPcb>("<castellatedPcb columns=\"4\"/>");
    EXPECT_EQ(castellated->columns, 1);
    EXPECT_EQ(castellated->rows, 1);
    EXPECT_EQ(castellated->pinNumberOffset, 0);
    EXPECT_TRUE(castellated->clockwisePinOrder);
    EXPECT_EQ(castellated->pitch, QPointF(0, 0));
    EXPECT_EQ(castellated->rectangle, QRectF(0, 0, 0, 0));
    castellated = read<CastellatedPcb>("<castellatedPcb pitch=\"0.1,0.05\" pinNumberOffset=\"-2\" rows=\"3\" "
                                       "column=\"4\" x=\"0.1\" width=\"2\"/>");
    EXPECT_EQ(castellated->pitch, QPointF(widened(0.1f), widened(0.05f)));
    EXPECT_EQ(castellated->pinNumberOffset, -2);
    EXPECT_EQ(castellated->rows, 3);
    EXPECT_EQ(castellated->columns, 4);
    EXPECT_EQ(castellated->rectangle, QRectF(0.10000000149011612, 0, 2, 0));
    for (const char* text : {"false", "TRUE", "1"})
        EXPECT_FALSE(read<CastellatedPcb>("<castellatedPcb clockwisePinOrder=\""s + text + "\"/>")->clockwisePinOrder);

    auto edge = std::make_shared<EdgeConnectorFootprint>(&pcb);
    EXPECT_FALSE(edge->pitch.isSet() || edge->rows.isSet());
    edge = read<EdgeConnectorFootprint>("<edgeConnectorFootprint rows=\"7.5\"/>");
    EXPECT_EQ(edge->pitch.stored(), 0.1);
    EXPECT_EQ(edge->rows.stored(), 7);
    edge = read<EdgeConnectorFootprint>("<edgeConnectorFootprint pitch=\"0.15\" rows=\"12\"/>");
    EXPECT_EQ(edge->pitch.get(), 0.15);
    EXPECT_EQ(edge->rows.get(), 12);

    auto spiral = read<SpiralInductorFootprint>("<spiralInductorFootprint/>");
    EXPECT_FALSE(spiral->clockwise);
    EXPECT_EQ(spiral->innerRadius.stored(), 0.3937007874015748);
    EXPECT_EQ(spiral->trackWidth.stored(), 0.03937007874015748);
    EXPECT_EQ(spiral->trackSpacing.stored(), 0.03937007874015748);
    EXPECT_EQ(spiral->rings.stored(), 4);
    EXPECT_EQ(spiral->padsHaveHoled.stored(), true);
    spiral = read<SpiralInductorFootprint>("<spiralInductorFootprint clockwise=\"true\" innerRadius=\"0.5\" "
                                           "trackWidth=\"0.02\" rings=\"6\" padsHaveHoled=\"yes\"/>");
    EXPECT_TRUE(spiral->clockwise);
    EXPECT_EQ(spiral->innerRadius.get(), 0.5);
    EXPECT_EQ(spiral->trackWidth.get(), 0.02);
    EXPECT_EQ(spiral->trackSpacing.get(), 0.02);
    EXPECT_EQ(spiral->rings.get(), 6);
    EXPECT_FALSE(spiral->padsHaveHoled.get());
    EXPECT_EQ(read<SpiralInductorFootprint>("<spiralInductorFootprint trackWidth=\"0.02\" trackSpacing=\"0.03\"/>")
                  ->trackSpacing.get(),
              0.03);
    // The track width's first value is the current defaultTrackWidth.
    spiral = std::make_shared<SpiralInductorFootprint>(&pcb);
    spiral->defaultTrackWidth = 0.05;
    EXPECT_EQ(spiral->trackSpacing.get(), 0.05);

    // The two families without parameters read only the shared ones.
    EXPECT_TRUE(read<GenericFootprint>("<genericFootprint pitch=\"0.2\" rows=\"3\" roundPads=\"true\"/>")->roundPads);
    EXPECT_EQ(read<SpiralAntennaFootprint>("<spiralAntennaFootprint holeDiameter=\"0.04\"/>")->holeDiameter, 0.04);
}

TEST_F(FootprintFamilies, SurfaceMountParameters)
{
    auto bga = read<BGAFootprint>("<bgaFootprint pitch=\"0.05,0.04\"/>");
    EXPECT_EQ(bga->pitch, QPointF(0.05000000074505806, widened(0.04f)));
    EXPECT_EQ(bga->rows, 2);
    EXPECT_EQ(bga->columns, 2);
    bga = read<BGAFootprint>("<bgaFootprint pitch=\"0.05\" rows=\"16\" columns=\"+12\"/>");
    EXPECT_EQ(bga->pitch, QPointF(0, 0));
    EXPECT_EQ(bga->rows, 16);
    EXPECT_EQ(bga->columns, 12);

    const std::string quadAttributes =
        " pitch=\"5e-2\" padNumberOffset=\"3\" clockwisePinOrder=\"true\" rows=\"8\" columns=\"9\" leadless=\"gullWing\" "
        "padSpacingX=\"2\" padSpacingY=\"-1\" addCenterPads=\"true\" centerPadMargin=\"0.02\" centerPadId=\"42\"";
    auto quad = read<QuadFootprint>("<fourSided" + quadAttributes + "/>");
    auto qfp = read<QuadFootprint>("<qfpFootprint" + quadAttributes + "/>");
    for (const auto& q : {quad, qfp}) {
        EXPECT_EQ(q->pitch, 0.05);
        EXPECT_EQ(q->padNumberOffset, 3);
        EXPECT_TRUE(q->clockwisePinOrder);
        EXPECT_EQ(q->rows, 8);
        EXPECT_EQ(q->columns, 9);
        EXPECT_EQ(q->leadType, PinLeadType::gullWing);
        EXPECT_EQ(q->padSpacingX, 2);
        EXPECT_EQ(q->padSpacingY, -1);
        EXPECT_TRUE(q->addCenterPads);
        EXPECT_EQ(q->centerPadMargin, 0.02);
        EXPECT_EQ(q->centerPadId, Id{42});
    }
    auto fresh = std::make_shared<QuadFootprint>(&pcb);
    EXPECT_EQ(fresh->centerPadMargin, 0.03937007874015748);
    EXPECT_EQ(fresh->centerPadId, Id{0});
    EXPECT_EQ(fresh->leadType, PinLeadType::gullWing);
    quad = read<QuadFootprint>("<fourSided leadType=\"gullWing\" clockwisePinOrder=\"TRUE\" pitch=\"0.5mm\"/>");
    EXPECT_EQ(quad->leadType, PinLeadType::jLead);
    EXPECT_FALSE(quad->clockwisePinOrder);
    EXPECT_EQ(quad->pitch, 0.0);
    EXPECT_EQ(quad->rows, 1);
    EXPECT_EQ(quad->columns, 1);
    EXPECT_EQ(read<QuadFootprint>("<fourSided pitch=\" 0.5\" leadless=\"Straight\"/>")->leadType, PinLeadType::jLead);

    EXPECT_FALSE(std::make_shared<SOT23Footprint>(&pcb)->pins.isSet());
    EXPECT_EQ(read<SOT23Footprint>("<SOT23Footprint/>")->pins.stored(), 3);
    EXPECT_EQ(read<SOT23Footprint>("<SOT23Footprint pins=\"6\"/>")->pins.get(), 6);
    for (const char* text : {"6.0", ""})
        EXPECT_EQ(read<SOT23Footprint>("<SOT23Footprint pins=\""s + text + "\"/>")->pins.get(), 3) << text;

    using P = SOT143Footprint::PinOneConfiguration;
    EXPECT_EQ(read<SOT143Footprint>("<SOT143Footprint pinConfiguration=\"bottomLeft\"/>")->pinConfiguration,
              P::bottomLeft);
    EXPECT_EQ(read<SOT143Footprint>("<SOT143Footprint pinConfiguration=\"topRight\"/>")->pinConfiguration, P::topRight);
    for (const char* attributes : {"pinConfiguration=\"BottomLeft\"", "pinConfiguration=\"x\"", ""})
        EXPECT_EQ(read<SOT143Footprint>("<SOT143Footprint "s + attributes + "/>")->pinConfiguration, P::topLeft)
            << attributes;
}

TEST_F(FootprintFamilies, HeaderElementChoosesTheFamily)
{
    const auto is = [](const std::shared_ptr<Entity>& e, const std::type_info& type) {
        return e && typeid(*e) == type;
    };
    EXPECT_TRUE(is(header("female=\"true\" boxed=\"true\""), typeid(FemaleHeaderFootprint)));
    EXPECT_TRUE(is(header("female=\"TRUE\" boxed=\"true\""), typeid(BoxedSocketFootprint)));
    EXPECT_TRUE(is(header("boxed=\"true\" type=\"xt\""), typeid(BoxedSocketFootprint)));
    EXPECT_TRUE(is(header("type=\"xt\""), typeid(XHSocketFootprint)));
    EXPECT_TRUE(is(header("female=\"false\" type=\"female\""), typeid(FemaleHeaderFootprint)));
    EXPECT_TRUE(is(header("boxed=\"1\" type=\"boxed\""), typeid(BoxedSocketFootprint)));
    for (const char* attributes : {"type=\"XT\"", "type=\"xh\"", "", "type=\"\"", "type=\"male\"", "boxed=\"yes\""}) {
        SCOPED_TRACE(attributes);
        EXPECT_TRUE(is(header(attributes), typeid(MaleHeaderFootprint)));
    }

    // The chosen family reads the same element with its own reader, after
    // the dispatcher's defaults.
    auto boxed = std::dynamic_pointer_cast<BoxedSocketFootprint>(header("boxed=\"true\" bottom=\"0.05\""));
    ASSERT_TRUE(boxed);
    EXPECT_EQ(boxed->bottom, 0.05000000074505806);
    EXPECT_EQ(boxed->top, 0.31496062992125984);
    EXPECT_EQ(boxed->typeName(), "Boxed Socket Footprint");

    auto xh = std::dynamic_pointer_cast<XHSocketFootprint>(header("type=\"xt\" leadType=\"gullWing\" extension=\"0.2\""));
    ASSERT_TRUE(xh);
    EXPECT_EQ(xh->leadType, PinLeadType::straight);
    EXPECT_EQ(xh->bottom, 0.2);

    auto male = std::dynamic_pointer_cast<MaleHeaderFootprint>(
        header("pitch=\"0.1,0.3\" rows=\"2\" padSize=\"0.05,0.06\" arrangeTerminals=\"fourSided\" bottom=\"0.1\""));
    ASSERT_TRUE(male);
    EXPECT_EQ(male->pitch.y(), 0.30000001192092896);
    EXPECT_EQ(male->rows, 2);
    EXPECT_EQ(male->padSize.height(), 0.05999999865889549);
    EXPECT_EQ(male->arrangeTerminalsOnSides, SidesType::fourSided);
    EXPECT_EQ(male->bottom, 0.10000000149011612);
    EXPECT_EQ(male->leadType, PinLeadType::jLead);

    // Made directly, without the factory, as well.
    pugi::xml_document doc = parseXml("<headerFootprint female=\"true\"/>");
    const auto direct = makeHeaderFootprint(doc.first_child(), &pcb);
    ASSERT_TRUE(direct);
    EXPECT_EQ(typeid(*direct), typeid(FemaleHeaderFootprint));
    EXPECT_EQ(direct->sheet, &pcb);
}

// The sheet drawn into a y-up image at scale pixels per inch, the model's
// origin at the bottom left.
QImage renderSheet(GraphicsSheet& sheet, int size, double scale)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setTransform(QTransform(scale, 0, 0, -scale, 0, size));
    {
        DrawingContext context(painter);
        Graphics g(context);
        g.drawingPcb = true;
        sheet.draw(g);
    }
    painter.end();
    return image;
}

QColor pixelAt(const QImage& image, double scale, QPointF model)
{
    return image.pixelColor(int(std::floor(model.x() * scale)), int(std::floor(image.height() - model.y() * scale)));
}

// What a click at the model point picks.
std::shared_ptr<Entity> pick(GraphicsSheet& sheet, QPointF model, double scale = 200)
{
    return pickOnSheet(sheet, model, scale, false, true);
}

TEST_F(FootprintFamilies, DesignFileFamiliesReadMeasureDrawAndPickAsFootprints)
{
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/families.project")));
    PCB& board = *design.currentDesignState()->pcb;
    board.updateGeometry();
    const auto& list = board.entityList.entities;
    ASSERT_EQ(list.size(), 5u); // the unknown "To92Footprint" is skipped

    auto chip = std::dynamic_pointer_cast<ChipFootprint>(list[0]);
    auto dip = std::dynamic_pointer_cast<DIPFootprint>(list[1]);
    auto xh = std::dynamic_pointer_cast<XHSocketFootprint>(list[2]);
    auto sot = std::dynamic_pointer_cast<SOT23Footprint>(list[3]);
    auto quad = std::dynamic_pointer_cast<QuadFootprint>(list[4]);
    ASSERT_TRUE(chip && dip && xh && sot && quad);

    EXPECT_EQ(chip->identifier, "R1");
    EXPECT_EQ(chip->capWidth.get(), widened(0.02f));
    EXPECT_EQ(chip->eSeries, ESeries::e24);
    EXPECT_EQ(chip->children.entities.size(), 2u);
    EXPECT_EQ(dip->packageType, DIPFootprint::PackageType::rockerSwitch);
    EXPECT_EQ(dip->socketColor, QColor(20, 20, 20));
    EXPECT_EQ(dip->leadType, PinLeadType::straight);
    EXPECT_EQ(dip->leftPrefix, "L");
    EXPECT_EQ(xh->elementName, "headerFootprint");
    EXPECT_EQ(xh->leadType, PinLeadType::straight);
    EXPECT_EQ(xh->bottom, 0.1);
    EXPECT_EQ(xh->pitch.x(), widened(0.098f));
    EXPECT_EQ(sot->pins.get(), 3);
    EXPECT_EQ(quad->rows, 8);
    EXPECT_EQ(quad->centerPadId, Id{12});
    EXPECT_TRUE(quad->children.entities.empty());

    // Boxes are the children's, under each footprint's placement: the DIP's
    // pads, turned a quarter turn about (1.5, 0.5).
    ASSERT_TRUE(dip->boundingBox.valid);
    EXPECT_NEAR(dip->boundingBox.bottomLeft.x(), 1.5 - 0.05 - 0.03, 1e-6);
    EXPECT_NEAR(dip->boundingBox.topRight.x(), 1.5 + 0.05 + 0.03, 1e-6);
    EXPECT_NEAR(dip->boundingBox.bottomLeft.y(), 0.5 - 0.15 - 0.03, 1e-6);
    EXPECT_NEAR(dip->boundingBox.topRight.y(), 0.5 + 0.15 + 0.03, 1e-6);
    EXPECT_NEAR(chip->boundingBox.bottomLeft.x(), 0.5 - 0.0375 - 0.025, 1e-6);
    EXPECT_NEAR(chip->boundingBox.topRight.y(), 0.5 + 0.03, 1e-6);

    // The stored pads are what is drawn.
    const double scale = 400;
    const QImage image = renderSheet(board, 800, scale);
    const QColor copper(200, 140, 30);
    EXPECT_EQ(pixelAt(image, scale, {0.5 - 0.0375, 0.5}), copper); // R1.1
    EXPECT_EQ(pixelAt(image, scale, {0.5, 0.5}), QColor(Qt::black)); // between the chip's pads
    EXPECT_EQ(pixelAt(image, scale, {1.5 - 0.05 + 0.025, 0.5 - 0.15}), copper); // SW1.1, turned (ring)
    EXPECT_EQ(pixelAt(image, scale, {1.5 - 0.0375, 1.5 - 0.04}), copper); // Q1.1

    // A click on a pad picks the family, which names itself.
    const std::shared_ptr<Entity> hit = pick(board, {1.5 - 0.05 + 0.025, 0.5 - 0.15});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit, list[1]);
    EXPECT_EQ(hit->typeName().toStdString(), "DIP Footprint");
    EXPECT_FALSE(pick(board, {1.0, 1.0}));
}

} // namespace
