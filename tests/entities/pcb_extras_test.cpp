#include "EntityTestSupport.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Bodies3D.h"
#include "entities/pcb/Courtyard.h"
#include "entities/pcb/ErrorMarker.h"
#include "entities/pcb/ExternalFootprint.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/KeepOut.h"
#include "entities/pcb/PlacementPoint.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <memory>

namespace {

// An image of `size` pixels seeing the model from `origin` (its bottom-left
// corner) at `scale` pixels per inch, y up.
struct Canvas : ModelCanvas {
    Canvas(QPointF origin = QPointF(0, 0), double scale = 100, int size = 300)
        : ModelCanvas(origin, scale, QSize(size, size))
    {
        g->drawingPcb = true;
    }
};

// Ink the entity leaves in a layer pass, the pad pass and the hole pass.
int inkOfAllPasses(Entity& e)
{
    Canvas c(QPointF(-1, -1), 100, 300);
    e.draw(*c.g);
    e.drawPadPass(*c.g);
    e.drawHolePass(*c.g, QColor(255, 255, 0));
    c.done();
    return c.inked();
}

// The entity of the sheet drawn at a model point, as a click there picks it.
std::shared_ptr<Entity> pick(GraphicsSheet& sheet, QPointF model, bool subPicking, double scale = 200)
{
    return pickOnSheet(sheet, model, scale, subPicking, true);
}

// The editor's title, and whether it shows "No editable parameters".
void expectTitledFrame(QWidget* w, const QString& title)
{
    std::unique_ptr<QWidget> owner(w);
    auto* editor = dynamic_cast<EntityEditor*>(w);
    ASSERT_TRUE(editor) << title.toStdString();
    EXPECT_EQ(editor->title(), title);
    bool empty = false;
    for (QLabel* l : editor->findChildren<QLabel*>())
        empty = empty || (l->text() == "No editable parameters" && !l->isHidden());
    EXPECT_TRUE(empty) << title.toStdString();
}

// Equal to within the single precision the file's numbers are read at.
// A view whose pixel centres fall on multiples of 0.01 inch at 100 pixels
// per inch, so that hairlines there cover whole pixels.
const QPointF kOnPixelCentres(0.005, 0.005);

bool near(QPointF a, QPointF b) { return std::abs(a.x() - b.x()) < 1e-6 && std::abs(a.y() - b.y()) < 1e-6; }

} // namespace

// Keep-outs ------------------------------------------------------------------

TEST(PcbKeepOut, BrushTurnsTranslucentRedWhileThePenIsRead)
{
    auto k = readAs<PcbKeepOut>(R"(<keepOut x="0.5" y="0.5" width="1" height="1" brushColor="0,0,255" brushType="solid"
        penWidth="0.1" penColor="0,255,0"/>)");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->typeName(), "Pcb Keep Out");
    EXPECT_EQ(k->brush().color, QColor::fromRgbF(1, 0, 0, 0.1f));
    EXPECT_EQ(k->pen().color, QColor(0, 255, 0));
    EXPECT_EQ(k->pen().width, 0.1);
    EXPECT_EQ(k->rectangle, QRectF(0.5, 0.5, 1, 1));

    // A keep-out without any brush attribute is translucent red as well.
    EXPECT_EQ(readAs<PcbKeepOut>("<keepOut/>")->brush().color, QColor::fromRgbF(1, 0, 0, 0.1f));

    k->updateGeometry(QTransform::fromTranslate(1, 0), nullptr);
    EXPECT_EQ(k->boundingBox.rect(), QRectF(1.5, 0.5, 1, 1)); // the pen does not widen it

    Canvas c;
    k->draw(*c.g);
    c.done();
    const QColor inside = c.at(QPointF(1, 1));
    EXPECT_GT(inside.alpha(), 15);
    EXPECT_LT(inside.alpha(), 40);
    EXPECT_GT(inside.red(), 200);
    EXPECT_EQ(inside.blue(), 0);
    EXPECT_EQ(c.at(QPointF(0.52, 1)), QColor(0, 255, 0)); // the file's pen
    EXPECT_EQ(c.at(QPointF(2, 2)).alpha(), 0);
}

// Error markers ---------------------------------------------------------------

TEST(PcbError, ReadingRulesAndShapes)
{
    PcbError fresh(nullptr);
    EXPECT_EQ(fresh.errorType, ErrorType::point);
    EXPECT_EQ(fresh.errorGroup, "");
    EXPECT_EQ(fresh.position, QPointF(0, 0));
    EXPECT_EQ(fresh.diameter, 0);
    EXPECT_TRUE(fresh.graphicsPath.pathPoints.empty());
    EXPECT_EQ(fresh.typeName(), "Pcb Error");

    auto e = readAs<PcbError>(R"(<pcbError trackSnap="line" group="Clearance" location="1,2" start="0.1,0.2" end="3,4"
        diameter="0.1" error="Track to pad"><path><point at="1,1"/></path></pcbError>)");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->errorType, ErrorType::line);
    EXPECT_EQ(e->errorGroup, "Clearance");
    EXPECT_EQ(e->position, QPointF(1, 2));
    EXPECT_EQ(e->lineStart, QPointF(double(0.1f), double(0.2f)));
    EXPECT_EQ(e->lineEnd, QPointF(3, 4));
    EXPECT_EQ(e->diameter, 0.1); // double precision
    EXPECT_EQ(e->shortMessage, "Track to pad");
    ASSERT_EQ(e->graphicsPath.pathPoints.size(), 1u);

    EXPECT_EQ(readAs<PcbError>("<pcbError/>")->errorType, ErrorType::point);
    EXPECT_EQ(readAs<PcbError>(R"(<pcbError trackSnap="graphicsPath"/>)")->errorType, ErrorType::graphicsPath);
    EXPECT_EQ(readAs<PcbError>(R"(<pcbError trackSnap="Line"/>)")->errorType, ErrorType::point);

    // Read again: a missing or unknown shape word is a point whatever was
    // there, the other values are kept, and the path grows.
    pugi::xml_document again = parseXml(R"(<pcbError trackSnap="segment" diameter="wide"><path><point at="2,2"/></path>
        <path><point at="9,9"/></path></pcbError>)");
    e->readXML(again.first_child());
    EXPECT_EQ(e->errorType, ErrorType::point);
    EXPECT_EQ(e->diameter, 0.1);
    EXPECT_EQ(e->errorGroup, "Clearance");
    ASSERT_EQ(e->graphicsPath.pathPoints.size(), 2u); // only the first "path" child
    EXPECT_EQ(e->graphicsPath.pathPoints[1].at, QPointF(2, 2));

    for (ErrorType t : {ErrorType::point, ErrorType::line, ErrorType::graphicsPath})
        EXPECT_EQ(errorTypeFromString(toString(t)), t);
    EXPECT_FALSE(errorTypeFromString(""));
}

TEST(PcbError, DrawsNothingAndKeepsAnEmptyBox)
{
    auto e = readAs<PcbError>(R"(<pcbError trackSnap="line" start="0,0" end="1,1" location="0.5,0.5" diameter="0.5"/>)");
    e->selected = true;
    BoundingBox parent;
    e->updateGeometry(QTransform::fromTranslate(1, 1), &parent);
    EXPECT_FALSE(e->boundingBox.valid);
    EXPECT_FALSE(parent.valid);
    EXPECT_EQ(inkOfAllPasses(*e), 0);
}

// Courtyards and placement points --------------------------------------------

TEST(PcbKeepOut, HiddenByTheKeepOutsSwitch)
{
    PCB pcb(nullptr);
    auto k = readAs<PcbKeepOut>(R"(<keepOut x="0.5" y="0.5" width="1" height="1"/>)", &pcb);
    k->updateGeometry(std::nullopt, nullptr);
    auto inkWith = [&](bool shown) {
        pcb.pcbSettings.showKeepOuts = shown;
        Canvas canvas(kOnPixelCentres);
        k->draw(*canvas.g);
        canvas.done();
        return canvas.inked();
    };
    EXPECT_GT(inkWith(true), 0);
    EXPECT_EQ(inkWith(false), 0);
}

TEST(Courtyard, DefaultsAndReadingRules)
{
    Courtyard fresh(nullptr);
    EXPECT_EQ(fresh.rectangle, QRectF(0, 0, 0, 0));
    EXPECT_EQ(fresh.pen.color, QColor::fromRgbF(1, 0, 1, 1));
    EXPECT_EQ(fresh.pen.width, 0);
    EXPECT_TRUE(fresh.autosize);
    EXPECT_TRUE(fresh.visibleInPcb);
    EXPECT_EQ(fresh.margin, 0.5 / 25.4);
    EXPECT_EQ(fresh.typeName(), "Courtyard");

    auto c = readAs<Courtyard>(R"(<courtyard x="-1" y="-0.5" width="2" height="1" penWidth="0.02" penColor="0,255,255"
        autosize="yes" visibleInPcb="false" margin="0.03"/>)");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->rectangle, QRectF(-1, -0.5, 2, 1));
    EXPECT_EQ(c->pen.width, 0.02);
    EXPECT_EQ(c->pen.color, QColor(0, 255, 255));
    EXPECT_FALSE(c->autosize);
    EXPECT_FALSE(c->visibleInPcb);
    EXPECT_EQ(c->margin, 0.03);

    // A margin with a unit, a leading blank or no text keeps 0.5 mm.
    for (const char* m : {"0.5mm", " 0.03", "", "1e999"})
        EXPECT_EQ(readAs<Courtyard>(std::string("<courtyard margin=\"") + m + "\"/>")->margin, 0.5 / 25.4) << m;
}

TEST(Courtyard, BoxUnderTransformsIgnoresThePen)
{
    auto c = readAs<Courtyard>(R"(<courtyard x="1" y="2" width="0.5" height="1" penWidth="0.2" m11="0" m12="1" m21="-1"
        m22="0"/>)");
    BoundingBox parent;
    c->updateGeometry(QTransform::fromTranslate(10, 0), &parent);
    // A quarter turn then a move of 10 along x.
    EXPECT_TRUE(near(c->boundingBox.bottomLeft, QPointF(7, 1)));
    EXPECT_TRUE(near(c->boundingBox.topRight, QPointF(8, 1.5)));
    EXPECT_TRUE(parent.valid);
}

TEST(Courtyard, DrawnOnlyWhileThePcbShowsCourtyards)
{
    PCB pcb(nullptr);
    auto c = readAs<Courtyard>(R"(<courtyard x="0.5" y="0.5" width="1.5" height="1" visibleInPcb="false"/>)", &pcb);
    c->updateGeometry(std::nullopt, nullptr);
    c->selected = true;

    pcb.pcbSettings.showCourtyards = false;
    {
        Canvas canvas(kOnPixelCentres);
        c->draw(*canvas.g);
        canvas.done();
        EXPECT_EQ(canvas.inked(), 0); // not even the selection frame
    }
    pcb.pcbSettings.showCourtyards = true;
    c->selected = false;
    {
        // Hidden in the PCB or not, the outline is drawn: one device pixel of magenta, no fill.
        Canvas canvas(kOnPixelCentres);
        c->draw(*canvas.g);
        canvas.done();
        EXPECT_EQ(canvas.at(QPointF(1.2, 0.5)), QColor(255, 0, 255));
        EXPECT_EQ(canvas.at(QPointF(0.5, 1)), QColor(255, 0, 255));
        EXPECT_EQ(canvas.at(QPointF(2.0, 1.5)), QColor(255, 0, 255));
        EXPECT_EQ(canvas.at(QPointF(1.2, 1)).alpha(), 0);
        EXPECT_EQ(canvas.at(QPointF(1.2, 0.52)).alpha(), 0);
    }
    {
        // A translucent pen draws nothing; the layer colour replaces the pen's.
        c->pen.color = QColor(255, 0, 255, 1);
        Canvas canvas(kOnPixelCentres);
        c->draw(*canvas.g);
        canvas.done();
        EXPECT_EQ(canvas.inked(), 0);
        c->pen.color = QColor(255, 0, 255);
        Canvas layered(kOnPixelCentres);
        layered.g->useLayerColor = true;
        layered.g->layerColor = QColor(0, 0, 200);
        c->draw(*layered.g);
        layered.done();
        EXPECT_EQ(layered.at(QPointF(1.2, 0.5)), QColor(0, 0, 200));
    }

    // Off a PCB sheet there is no switch to show it.
    auto loose = readAs<Courtyard>(R"(<courtyard x="0.5" y="0.5" width="1.5" height="1"/>)");
    Canvas none(kOnPixelCentres);
    loose->draw(*none.g);
    none.done();
    EXPECT_EQ(none.inked(), 0);
}

TEST(PlacementPoint, ReadingBoxAndCross)
{
    PlacementPoint fresh(nullptr);
    EXPECT_EQ(fresh.modelSpacePosition, QPointF(0, 0));
    EXPECT_TRUE(fresh.visibleInPcb);
    EXPECT_EQ(fresh.pen.color, QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_EQ(fresh.pen.width, 0);
    EXPECT_EQ(fresh.typeName(), "Placement Point");

    // The pen is never read from the file.
    PCB pcb(nullptr);
    auto p = readAs<PlacementPoint>(R"(<placementPoint location="1,1.5" visibleInPcb="false" penColor="255,0,0"
        penWidth="0.1"/>)", &pcb);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->modelSpacePosition, QPointF(1, 1.5));
    EXPECT_FALSE(p->visibleInPcb);
    EXPECT_EQ(p->pen.color, QColor(255, 255, 255));
    EXPECT_EQ(p->pen.width, 0);

    // Without a location: the square of side 0.05 about the origin, under the net transform.
    auto origin = readAs<PlacementPoint>("<placementPoint/>");
    origin->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(origin->boundingBox.rect(), QRectF(-0.025, -0.025, 0.05, 0.05));
    origin->updateGeometry(QTransform(2, 0, 0, 2, 1, 1), nullptr);
    EXPECT_TRUE(near(origin->boundingBox.bottomLeft, QPointF(0.95, 0.95)));
    EXPECT_TRUE(near(origin->boundingBox.topRight, QPointF(1.05, 1.05)));

    p->updateGeometry(std::nullopt, nullptr);
    pcb.pcbSettings.showPlacementPoints = false;
    p->selected = true;
    EXPECT_EQ(inkOfAllPasses(*p), 0);

    pcb.pcbSettings.showPlacementPoints = true;
    p->selected = false;
    Canvas c(QPointF(0.9005, 1.4005), 1000, 200);
    p->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(1, 1.52)), QColor(255, 255, 255)); // vertical arm
    EXPECT_EQ(c.at(QPointF(1, 1.48)), QColor(255, 255, 255));
    EXPECT_EQ(c.at(QPointF(0.98, 1.5)), QColor(255, 255, 255)); // horizontal arm
    EXPECT_EQ(c.at(QPointF(1.02, 1.5)), QColor(255, 255, 255));
    EXPECT_EQ(c.at(QPointF(1, 1.53)).alpha(), 0); // the arms end at 0.025
    EXPECT_EQ(c.at(QPointF(1.01, 1.51)).alpha(), 0);
}

// 3D bodies -----------------------------------------------------------------

TEST(Bodies3D, SizedBodiesAndTheirMaterial)
{
    for (const char* name : {"box", "cone", "cylinder"}) {
        auto b = readAs<SizedBody3D>(std::string("<") + name + R"( center="1,2,3" size="0.1,0.2,0.3" onBottom="true"
            m11="2"><material color="10,20,30" reflective="true" reflectivePower="0.1"/><matrix m11="3"/></)" + name + ">");
        ASSERT_TRUE(b) << name;
        EXPECT_EQ(b->center, (Vector3{1, 2, 3}));
        EXPECT_EQ(b->size, (Vector3{double(0.1f), double(0.2f), double(0.3f)}));
        EXPECT_TRUE(b->onBottom);
        EXPECT_EQ(b->material.color, QColor(10, 20, 30));
        EXPECT_TRUE(b->material.reflectiveSurface);
        EXPECT_EQ(b->material.reflectivePower, double(0.1f)); // single precision, widened
        EXPECT_FALSE(b->material.bitmap);
        EXPECT_EQ(b->matrix4, Matrix4()); // never read
        ASSERT_TRUE(b->singleLevelTransform); // the 2D placement is the entity's
    }

    // Every "material" child is read in turn; a missing "reflective" clears
    // the flag, a missing colour or power keeps its value.
    auto box = readAs<Box>(R"(<box><material color="10,20,30" reflective="true" reflectivePower="2"/>
        <material reflectivePower="2x"/></box>)");
    EXPECT_FALSE(box->material.reflectiveSurface);
    EXPECT_EQ(box->material.color, QColor(10, 20, 30));
    EXPECT_EQ(box->material.reflectivePower, 2);
    box->onBottom = true;
    pugi::xml_document again = parseXml("<box/>");
    box->readXML(again.first_child());
    EXPECT_FALSE(box->onBottom); // missing is false

    // Unreadable vectors keep the values.
    auto odd = readAs<Cone>(R"(<cone center="1,2" size="1,2,x"/>)");
    EXPECT_EQ(odd->center, Vector3());
    EXPECT_EQ(odd->size, Vector3());

    QelMaterial m;
    EXPECT_EQ(m.color, QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_FALSE(m.reflectiveSurface);
    EXPECT_EQ(m.reflectivePower, 1.0);
}

TEST(Bodies3D, SphereTorusAndModel)
{
    auto s = readAs<Sphere>(R"(<sphere center="0,0,1" radius="0.1"/>)");
    EXPECT_EQ(s->radius, double(0.1f));
    EXPECT_EQ(s->center, (Vector3{0, 0, 1}));
    EXPECT_EQ(readAs<Sphere>(R"(<sphere radius="2mm"/>)")->radius, 1.0);
    EXPECT_EQ(readAs<Sphere>("<sphere/>")->radius, 1.0);

    auto t = readAs<Torus>(R"(<torus radius="2"/>)");
    EXPECT_EQ(t->radius, 2);
    EXPECT_EQ(t->tubeRadius(), 0.5);
    EXPECT_EQ(readAs<Torus>(R"(<torus radius="2" tubeRadius="thin"/>)")->tubeRadius(), 0.5);
    EXPECT_EQ(readAs<Torus>(R"(<torus radius="2" tubeRadius="0.3"/>)")->tubeRadius(), double(0.3f));
    Torus fresh(nullptr);
    EXPECT_EQ(fresh.tubeRadius(), 0.25);
    // Once computed, the tube radius no longer follows the radius.
    pugi::xml_document grow = parseXml(R"(<torus radius="8"/>)");
    fresh.readXML(grow.first_child());
    EXPECT_EQ(fresh.tubeRadius(), 0.25);

    auto m = readAs<Model3D>(R"(<model3D mesh=" SOIC-8 " onBottom="true" OnBottom="false"/>)");
    EXPECT_EQ(m->meshListID, " SOIC-8 ");
    EXPECT_TRUE(m->onBottom);
    EXPECT_FALSE(m->meshOnBottom);
    auto m2 = readAs<Model3D>(R"(<model3D OnBottom="true"/>)");
    EXPECT_FALSE(m2->onBottom);
    EXPECT_TRUE(m2->meshOnBottom);
    EXPECT_EQ(m2->meshListID, "");
    pugi::xml_document keep = parseXml("<model3D/>");
    m2->readXML(keep.first_child());
    EXPECT_TRUE(m2->meshOnBottom); // missing keeps
}

TEST(Bodies3D, NeverDrawnNorMeasured)
{
    for (const char* name : {"box", "cone", "cylinder", "sphere", "torus", "model3D"}) {
        auto b = readAs<Entity3D>(std::string("<") + name + R"( center="0,0,0" size="1,1,1" radius="1"/>)");
        ASSERT_TRUE(b) << name;
        b->selected = true;
        BoundingBox parent;
        b->updateGeometry(std::nullopt, &parent);
        EXPECT_FALSE(b->boundingBox.valid) << name;
        EXPECT_FALSE(parent.valid) << name;
        EXPECT_EQ(inkOfAllPasses(*b), 0) << name;
    }
}

// External project footprints --------------------------------------------------

TEST(ExternalProjectFootprint, ReadingRules)
{
    auto e = readAs<ExternalProjectFootprint>("<externalProjectFootprint/>");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->sourceProjectName, "");
    EXPECT_EQ(e->extrusionBase, 0);
    EXPECT_EQ(e->typeName(), "External Project Footprint");

    auto f = readAs<ExternalProjectFootprint>(R"(<externalProjectFootprint sourceProjectName=" Power " base="1.6"/>)");
    EXPECT_EQ(f->sourceProjectName, " Power ");
    EXPECT_EQ(f->extrusionBase, 1.6); // double precision
    for (const char* base : {"1.6mm", " 1.6", "", "inf"})
        EXPECT_EQ(readAs<ExternalProjectFootprint>(std::string("<externalProjectFootprint base=\"") + base + "\"/>")
                      ->extrusionBase,
                  0)
            << base;

    f->selected = true;
    f->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(f->boundingBox.valid);
    EXPECT_EQ(inkOfAllPasses(*f), 0);
}

// Editors -------------------------------------------------------------------

TEST(PcbExtrasEditors, TitledFramesHoldingTheirEntity)
{
    auto keepOut = readAs<PcbKeepOut>("<keepOut/>");
    auto error = readAs<PcbError>("<pcbError/>");
    auto courtyard = readAs<Courtyard>("<courtyard/>");
    auto point = readAs<PlacementPoint>("<placementPoint/>");
    auto external = readAs<ExternalProjectFootprint>("<externalProjectFootprint/>");
    expectTitledFrame(editorFor(keepOut), "PCB Keep Out");
    expectTitledFrame(editorFor(error), "PCB Error");
    expectTitledFrame(editorFor(courtyard), "Courtyard");
    expectTitledFrame(editorFor(point), "Placement Point");
    expectTitledFrame(editorFor(external), "External Project");

    const std::pair<const char*, const char*> bodies[] = {{"box", "3D Box"}, {"cone", "3D Cone"},
        {"cylinder", "3D Cylinder"}, {"sphere", "3D Sphere"}, {"torus", "3D Torus"}, {"model3D", "3D Model"}};
    const char* typeNames[] = {"Box", "Cone", "Cylinder", "Sphere", "Torus", "Model 3D"};
    for (size_t i = 0; i < std::size(bodies); ++i) {
        auto b = readAs<Entity3D>(std::string("<") + bodies[i].first + "/>");
        ASSERT_TRUE(b);
        EXPECT_EQ(b->typeName(), typeNames[i]);
        expectTitledFrame(editorFor(b), bodies[i].second);
    }

    // The editor keeps its entity alive and points to it.
    std::unique_ptr<QWidget> w(editorFor(courtyard));
    EXPECT_EQ(static_cast<CourtyardEditor*>(w.get())->courtyard, courtyard);
    std::unique_ptr<QWidget> t(editorFor(readAs<Torus>("<torus/>")));
    ASSERT_TRUE(static_cast<TorusEditor*>(t.get())->torus);
    EXPECT_EQ(static_cast<TorusEditor*>(t.get())->torus->typeName(), "Torus");
}

// A whole board ---------------------------------------------------------------

class PcbExtrasBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/pcb_extras.project")))
            << design.lastError().toStdString();
        pcb = design.currentDesignState()->pcb;
        pcb->updateGeometry();
    }
    Design design;
    std::shared_ptr<PCB> pcb;
};

TEST_F(PcbExtrasBoard, ChildrenOfFootprintsAndTheirBoxes)
{
    std::vector<std::shared_ptr<Footprint>> footprints;
    pcb->entityList.collect(footprints);
    ASSERT_EQ(footprints.size(), 2u);
    std::vector<std::shared_ptr<Courtyard>> courtyards;
    pcb->entityList.collect(courtyards);
    ASSERT_EQ(courtyards.size(), 2u);
    std::vector<std::shared_ptr<Entity3D>> bodies;
    pcb->entityList.collect(bodies);
    EXPECT_EQ(bodies.size(), 6u);
    std::vector<std::shared_ptr<PcbKeepOut>> keepOuts;
    pcb->entityList.collect(keepOuts);
    ASSERT_EQ(keepOuts.size(), 2u);
    std::vector<std::shared_ptr<PcbError>> errors;
    pcb->entityList.collect(errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]->errorType, ErrorType::graphicsPath);
    EXPECT_EQ(errors[0]->graphicsPath.pathPoints.size(), 2u);
    std::vector<std::shared_ptr<ExternalProjectFootprint>> externals;
    pcb->entityList.collect(externals);
    ASSERT_EQ(externals.size(), 1u);
    EXPECT_EQ(externals[0]->sourceProjectName, "Power Stage");

    // U1's box is its courtyard's (the largest child); the far-off sphere adds nothing.
    EXPECT_TRUE(near(footprints[0]->boundingBox.bottomLeft, QPointF(0.6, 0.7)));
    EXPECT_TRUE(near(footprints[0]->boundingBox.topRight, QPointF(1.4, 1.3)));
    // U2's courtyard turned a quarter about (2.2, 1.3).
    EXPECT_TRUE(near(courtyards[1]->boundingBox.bottomLeft, QPointF(2.0, 0.9)));
    EXPECT_TRUE(near(courtyards[1]->boundingBox.topRight, QPointF(2.4, 1.7)));

    // Courtyards count in the box even while they are not shown.
    pcb->pcbSettings.showCourtyards = false;
    pcb->updateGeometry();
    EXPECT_TRUE(near(footprints[0]->boundingBox.bottomLeft, QPointF(0.6, 0.7)));
}

TEST_F(PcbExtrasBoard, DrawnInTheirPassesAndPicked)
{
    Canvas c(kOnPixelCentres, 100, 300);
    pcb->draw(*c.g);
    c.done();
    // U1's courtyard in magenta on layer 1, U2's in its own cyan pen.
    EXPECT_EQ(c.at(QPointF(1.0, 0.7)), QColor(255, 0, 255));
    EXPECT_EQ(c.at(QPointF(2.4, 1.3)), QColor(0, 255, 255));
    // U2's placement point (0.2, 0), turned, lands at (2.2, 1.5).
    EXPECT_EQ(c.at(QPointF(2.2, 1.51)), QColor(255, 255, 255));
    EXPECT_EQ(c.at(QPointF(2.21, 1.5)), QColor(255, 255, 255));
    // The keep-out: a red tinge over the board's green, its red pen round it.
    EXPECT_EQ(c.at(QPointF(1.0, 1.9)), QColor(0, 60, 0));
    const QColor tinge = c.at(QPointF(0.4, 0.3));
    EXPECT_EQ(tinge.alpha(), 255);
    EXPECT_NEAR(tinge.red(), 25, 2);
    EXPECT_NEAR(tinge.green(), 54, 2);
    EXPECT_EQ(c.at(QPointF(0.2, 0.4)), QColor(255, 0, 0));

    // The ellipse keep-out is picked inside its outline only; the error
    // marker and the external footprint are never picked.
    std::vector<std::shared_ptr<PcbKeepOut>> keepOuts;
    pcb->entityList.collect(keepOuts);
    EXPECT_EQ(pick(*pcb, QPointF(2.1, 0.4), false), keepOuts[1]);
    EXPECT_EQ(pick(*pcb, QPointF(1.82, 0.22), false), nullptr);
    EXPECT_EQ(pick(*pcb, QPointF(1.0, 1.0), true)->typeName(), "Placement Point");
    EXPECT_EQ(pick(*pcb, QPointF(2.7, 1.8), true), nullptr);

    // Picking at the courtyard's edge finds its footprint, or the courtyard when sub-picking.
    std::vector<std::shared_ptr<Courtyard>> courtyards;
    pcb->entityList.collect(courtyards);
    std::vector<std::shared_ptr<Footprint>> footprints;
    pcb->entityList.collect(footprints);
    EXPECT_EQ(pick(*pcb, QPointF(1.0, 0.7), true), courtyards[0]);
    EXPECT_EQ(pick(*pcb, QPointF(1.0, 0.7), false), footprints[0]);
    pcb->pcbSettings.showCourtyards = false;
    EXPECT_NE(pick(*pcb, QPointF(1.0, 0.7), true), courtyards[0]);
}
