#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/PcbNet.h"
#include "entities/pcb/Track.h"
#include "entities/pcb/Via.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const QColor kPaper(30, 30, 30);

// A twelve-layer stack: top copper red (5), bottom copper blue (6), both
// drawn in their own colour only where fixedColor says so.
std::string layers(bool fixedColor = false)
{
    std::string s = "<layers>";
    for (int i = 0; i < 12; ++i) {
        std::string color = i == 5 ? "200,40,40" : i == 6 ? "40,40,200" : "90,90,90";
        std::string visible = (i == 3 || i == 4 || i == 5 || i == 6) ? "true" : "false";
        s += "<layer color=\"" + color + "\" visible=\"" + visible + "\" fixedColor=\"" + (fixedColor ? "true" : "false") + "\"/>";
    }
    return s + "</layers>";
}

std::string board(const std::string& entities, bool fixedColor = false)
{
    return "<qel version=\"12\"><design><pcb><settings showPage=\"false\" showGrid=\"false\" showOrigin=\"false\"/>" + layers(fixedColor)
        + "<entities>" + entities + "</entities></pcb></design></qel>";
}

class NetTrackTest : public ::testing::Test {
protected:
    Design design;

    PCB& load(const std::string& entities, bool fixedColor = false)
    {
        return loadBoard(design, board(entities, fixedColor), "nets.project");
    }

    template <class T>
    std::shared_ptr<T> read(const std::string& xml)
    {
        return readAs<T>(xml, design.currentDesignState()->pcb.get());
    }
};

// The PCB sheet rendered with `scale` pixels per inch, model (0, 0) at the
// image's lower-left corner.
struct Render {
    QImage image;
    double scale;
    Render(PCB& pcb, int size = 200, double scale = 100) : image(size, size, QImage::Format_ARGB32_Premultiplied), scale(scale)
    {
        image.fill(kPaper);
        QPainter painter(&image);
        painter.setTransform(QTransform(scale, 0, 0, -scale, 0, size));
        DrawingContext context(painter);
        Graphics g(context);
        pcb.draw(g);
    }
    QColor at(double x, double y) const
    {
        return image.pixelColor(int(std::floor(x * scale)), int(std::floor(image.height() - y * scale)));
    }
};

QStringList labels(QWidget* w)
{
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>())
        out << l->text();
    return out;
}

} // namespace

TEST_F(NetTrackTest, VerticesReadInOrderWithMissingRoutedMeaningRouted)
{
    pugi::xml_document doc = parseXml("<vertices><vertex at=\"0.1,2\"/><junk at=\"5,5\"/><vertex at=\"1,1\" routed=\"false\" doNotDraw=\"true\"/>"
                                      "<vertex at=\"2,0\" routed=\"yes\" width=\"true\"/><vertex at=\"bad\" routed=\"true\"/></vertices>");
    TrackVertices v;
    readTrackVertices(doc.first_child(), v);
    ASSERT_EQ(v.trackVertices.size(), 4u);
    ASSERT_EQ(v.points.size(), 4u);
    EXPECT_EQ(v.points[0], QPointF(double(0.1f), 2));
    EXPECT_TRUE(v.trackVertices[0].routed);
    EXPECT_FALSE(v.trackVertices[0].doNotDraw);
    EXPECT_FALSE(v.trackVertices[1].routed);
    EXPECT_TRUE(v.trackVertices[1].doNotDraw);
    EXPECT_FALSE(v.trackVertices[2].routed); // only "true" is true
    EXPECT_TRUE(v.trackVertices[2].width);
    EXPECT_EQ(v.points[3], QPointF(0, 0)); // unreadable "at"
    for (size_t i = 0; i < v.points.size(); ++i) {
        EXPECT_EQ(v.points[i], v.trackVertices[i].position);
        EXPECT_FALSE(v.trackVertices[i].selected);
    }

    // A lone "at" follows the same rules as one among others; a second read
    // appends; the first attribute of a name wins.
    pugi::xml_document odd = parseXml("<vertices><vertex at=\"bad\"/><vertex routed=\"false\" at=\"3,4\"/>"
                                      "<vertex at=\"1,2\" at=\"5,6\"/><vertex/></vertices>");
    readTrackVertices(odd.first_child(), v);
    ASSERT_EQ(v.trackVertices.size(), 8u);
    ASSERT_EQ(v.points.size(), 8u);
    EXPECT_EQ(v.points[4], QPointF(0, 0));
    EXPECT_TRUE(v.trackVertices[4].routed);
    EXPECT_EQ(v.points[5], QPointF(3, 4));
    EXPECT_FALSE(v.trackVertices[5].routed);
    EXPECT_EQ(v.points[6], QPointF(1, 2));
    EXPECT_EQ(v.points[7], QPointF(0, 0));
    EXPECT_TRUE(v.trackVertices[7].routed);
}

TEST_F(NetTrackTest, TrackReadingAndRoutedState)
{
    Track fresh(nullptr);
    EXPECT_EQ(fresh.pen.width, 0);
    EXPECT_EQ(fresh.pen.color, QColor(0, 0, 0));
    EXPECT_FALSE(fresh.fullyRouted);

    auto t = read<Track>("<track layer=\"6\" start=\"12\" end=\"bad\" addSolderMaskHole=\"true\" penColor=\"255,0,0\" penWidth=\"0.5\">"
                         "<vertices><vertex at=\"0,0\"/><vertex at=\"1,0\" routed=\"false\"/></vertices>"
                         "<entities><trackJunction at=\"1,1\"/></entities></track>");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->layerIndex, 6);
    EXPECT_EQ(t->startTerminalId.value, 12);
    EXPECT_EQ(t->endTerminalId.value, 0);
    EXPECT_TRUE(t->addSolderMaskHole);
    // The track's own colour and width are not read from the file.
    EXPECT_EQ(t->pen.width, 0.01);
    EXPECT_EQ(t->pen.color, QColor(0, 0, 0));
    EXPECT_EQ(t->childEntities.entities.size(), 1u);
    EXPECT_EQ(t->holder(), t.get());
    EXPECT_TRUE(t->pcbNet.expired());

    // Routed state is known once the geometry is computed.
    EXPECT_FALSE(t->fullyRouted);
    t->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(t->fullyRouted);
    t->trackVertices.trackVertices[1].routed = true;
    t->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(t->fullyRouted);

    auto empty = read<Track>("<track/>");
    empty->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(empty->fullyRouted);
    EXPECT_FALSE(empty->boundingBox.valid);
}

TEST_F(NetTrackTest, NetReadingGivesItsTracksItsWidth)
{
    PcbNet fresh(nullptr);
    EXPECT_DOUBLE_EQ(fresh.width, 0.005905511811023622);
    EXPECT_EQ(fresh.electricalParameters().maxDelay, 0);

    auto net = read<PcbNet>("<net width=\"0.02\" maxVDrop=\"0.5\" maxVoltage=\"12\" maxCurrent=\"2.5\" minVoltage=\"-1\" maxDelay=\"x\">"
                            "<entities><track><vertices><vertex at=\"0,0\"/></vertices></track><mystery/>"
                            "<net width=\"0.05\"><entities><track/></entities></net>"
                            "<via at=\"1,1\" diameter=\"0.05\"/></entities>"
                            "<entities><track/></entities></net>");
    ASSERT_TRUE(net);
    EXPECT_EQ(net->width, 0.02);
    EXPECT_EQ(net->electricalParameters().maxVoltageDrop, 0.5);
    EXPECT_EQ(net->electricalParameters().maxVoltage, 12);
    EXPECT_EQ(net->electricalParameters().maxCurrent, 2.5);
    EXPECT_EQ(net->electricalParameters().minVoltage, -1);
    EXPECT_EQ(net->electricalParameters().maxDelay, 0);
    // Nets of equal limits may hold them once; an edit changes its own net only.
    auto twin = read<PcbNet>("<net maxVDrop=\"0.5\" maxVoltage=\"12\" maxCurrent=\"2.5\" minVoltage=\"-1\"/>");
    twin->editElectricalParameters().maxCurrent = 3;
    EXPECT_EQ(twin->electricalParameters().maxCurrent, 3);
    EXPECT_EQ(net->electricalParameters().maxCurrent, 2.5);
    EXPECT_EQ(twin->electricalParameters().maxVoltage, 12);
    // Only the first "entities" child; the unknown element is skipped.
    ASSERT_EQ(net->childEntities.entities.size(), 3u);
    // Every track inside, also in a net inside, ends with the outer width.
    const auto tracks = collectTracks(net->childEntities);
    ASSERT_EQ(tracks.size(), 2u);
    for (const auto& t : tracks)
        EXPECT_EQ(t->pen.width, 0.02);
    EXPECT_EQ(collectVias(net->childEntities).size(), 1u);

    auto unreadable = read<PcbNet>("<net width=\" 0.3\"/>");
    EXPECT_DOUBLE_EQ(unreadable->width, 0.15 / 25.4);
    EXPECT_TRUE(unreadable->childEntities.entities.empty());
}

TEST_F(NetTrackTest, DeeplyNestedNetsAreReadToABoundedDepth)
{
    std::string xml;
    const int depth = 5000;
    for (int i = 0; i < depth; ++i)
        xml += "<net><entities>";
    xml += "<track/>";
    for (int i = 0; i < depth; ++i)
        xml += "</entities></net>";
    PCB& pcb = load(xml);
    int levels = 0;
    EntityList* list = &pcb.entityList;
    while (!list->entities.empty()) {
        ++levels;
        auto* net = dynamic_cast<PcbNet*>(list->entities.front().get());
        if (!net)
            break;
        list = &net->childEntities;
    }
    EXPECT_GE(levels, 10);
    EXPECT_LE(levels, 2 * EntityList::kMaxNesting + 1);
    Render r(pcb); // drawing the nested nets does not fail
}

TEST_F(NetTrackTest, BoxesFollowTheNetTransform)
{
    PCB& pcb = load("<net dx=\"1\" dy=\"2\"><entities>"
                    "<track m11=\"0\" m12=\"1\" m21=\"-1\" m22=\"0\"><vertices><vertex at=\"0,0\"/><vertex at=\"1,0\"/><vertex at=\"1,0.5\"/></vertices></track>"
                    "<trackJunction at=\"9,9\" diameter=\"1\"/><pairController dx=\"50\"/>"
                    "<net><entities/></net>"
                    "</entities></net>"
                    "<net identifier=\"empty\"/>");
    auto net = std::dynamic_pointer_cast<PcbNet>(pcb.entityList.entities[0]);
    ASSERT_TRUE(net);
    auto track = std::dynamic_pointer_cast<Track>(net->childEntities.entities[0]);
    // Rotated by 90 degrees, then moved by the net: (x, y) -> (1 - y, 2 + x).
    ASSERT_TRUE(track->boundingBox.valid);
    EXPECT_DOUBLE_EQ(track->boundingBox.bottomLeft.x(), 0.5);
    EXPECT_DOUBLE_EQ(track->boundingBox.bottomLeft.y(), 2);
    EXPECT_DOUBLE_EQ(track->boundingBox.topRight.x(), 1);
    EXPECT_DOUBLE_EQ(track->boundingBox.topRight.y(), 3);
    ASSERT_TRUE(track->netTransform);
    EXPECT_EQ(track->netTransform->map(QPointF(1, 0)), QPointF(1, 3));

    // Junction, pair controller and the empty inner net add nothing.
    EXPECT_FALSE(net->childEntities.entities[1]->boundingBox.valid);
    EXPECT_FALSE(net->childEntities.entities[2]->boundingBox.valid);
    EXPECT_FALSE(net->childEntities.entities[3]->boundingBox.valid);
    EXPECT_EQ(net->boundingBox.rect(), track->boundingBox.rect());
    EXPECT_FALSE(pcb.entityList.entities[1]->boundingBox.valid);
    EXPECT_EQ(pcb.entityList.boundingBox.rect(), track->boundingBox.rect());
}

TEST_F(NetTrackTest, TrackStrokesAtTheNetWidthWithRoundEnds)
{
    // A net track 0.2 wide along y = 1 from x = 0.5 to 1.5, and a loose track
    // (width 0.01) along y = 0.4.
    PCB& pcb = load("<net width=\"0.2\"><entities><track layer=\"5\"><vertices>"
                    "<vertex at=\"0.5,1\"/><vertex at=\"1,1\" doNotDraw=\"true\"/><vertex at=\"1.5,1\"/></vertices></track></entities></net>"
                    "<track layer=\"5\"><vertices><vertex at=\"0.2,0.4\"/><vertex at=\"1.8,0.4\"/></vertices></track>");
    Render r(pcb);
    const QColor black(0, 0, 0);
    EXPECT_EQ(r.at(1.0, 1.0), black);
    EXPECT_EQ(r.at(1.0, 1.085), black);
    EXPECT_EQ(r.at(1.0, 0.915), black);
    EXPECT_EQ(r.at(1.0, 1.12), kPaper);
    EXPECT_EQ(r.at(1.0, 0.88), kPaper);
    // Round caps reach half the width beyond the ends, not into the corners.
    EXPECT_EQ(r.at(0.42, 1.0), black);
    EXPECT_EQ(r.at(0.42, 1.085), kPaper);
    EXPECT_EQ(r.at(0.38, 1.0), kPaper);
    // The loose track is one pixel wide: its row is darkened, the next not.
    EXPECT_LT(r.at(1.0, 0.4).red(), 20);
    EXPECT_EQ(r.at(1.0, 0.43), kPaper);
}

TEST_F(NetTrackTest, TrackDrawsOnlyInItsOwnLayerAndColour)
{
    const std::string tracks = "<net width=\"0.1\"><entities><track layer=\"5\"><vertices><vertex at=\"0.2,1.5\"/><vertex at=\"1.8,1.5\"/></vertices></track>"
                               "<track layer=\"6\"><vertices><vertex at=\"0.2,0.5\"/><vertex at=\"1.8,0.5\"/></vertices></track>"
                               "<track layer=\"9\"><vertices><vertex at=\"0.2,1\"/><vertex at=\"1.8,1\"/></vertices></track>"
                               "<trackJunction layer=\"5\" at=\"1,1.5\" diameter=\"1\"/><pairController layer=\"5\"/></entities></net>";
    {
        Render r(load(tracks, true));
        EXPECT_EQ(r.at(1, 1.5), QColor(200, 40, 40));
        EXPECT_EQ(r.at(1, 0.5), QColor(40, 40, 200));
        EXPECT_EQ(r.at(1, 1), kPaper); // layer 9 is hidden
        EXPECT_EQ(r.at(1, 1.3), kPaper); // the junction draws nothing
    }
    PCB& pcb = load(tracks, false);
    Render plain(pcb);
    EXPECT_EQ(plain.at(1, 1.5), QColor(0, 0, 0));
    EXPECT_EQ(plain.at(1, 0.5), QColor(0, 0, 0));

    pcb.layerList.layers[6]->visible = false;
    Render hidden(pcb);
    EXPECT_EQ(hidden.at(1, 0.5), kPaper);
    EXPECT_EQ(hidden.at(1, 1.5), QColor(0, 0, 0));
}

TEST_F(NetTrackTest, UnroutedTrackIsNotDrawnAtAll)
{
    PCB& pcb = load("<net width=\"0.1\"><entities><track layer=\"5\"><vertices><vertex at=\"0.2,1\"/><vertex at=\"1,1\" routed=\"false\"/>"
                    "<vertex at=\"1.8,1\"/></vertices></track></entities></net>");
    auto track = collectTracks(pcb.entityList).at(0);
    track->selected = true;
    Render r(pcb);
    for (int x = 0; x < r.image.width(); ++x)
        for (int y = 0; y < r.image.height(); ++y)
            ASSERT_EQ(r.image.pixelColor(x, y), kPaper) << x << "," << y;

    track->trackVertices.trackVertices[1].routed = true;
    track->selected = false;
    pcb.updateGeometry();
    Render routed(pcb);
    EXPECT_EQ(routed.at(1, 1), QColor(0, 0, 0));
}

TEST_F(NetTrackTest, PickingATrackFindsTheNetOrTheTrack)
{
    PCB& pcb = load("<net><entities><track layer=\"5\"><vertices><vertex at=\"0.2,1\"/><vertex at=\"1.8,1\"/></vertices></track></entities></net>");
    auto net = pcb.entityList.entities[0];
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(Qt::transparent);
    QPainter painter(&pixel);
    painter.setTransform(QTransform(100, 0, 0, -100, -99.5, 100.5)); // (1, 1) on the pixel
    DrawingContext context(painter);
    Graphics g(context);
    g.picking = true;
    g.pickImage = &pixel;
    EXPECT_EQ(pcb.draw(g), net);
    g.subPicking = true;
    EXPECT_EQ(pcb.draw(g), std::dynamic_pointer_cast<PcbNet>(net)->childEntities.entities[0]);
}

TEST_F(NetTrackTest, NamesAndEditors)
{
    auto net = read<PcbNet>("<net/>");
    auto track = read<Track>("<track/>");
    auto junction = read<TrackJunction>("<trackJunction at=\"1,2\" diameter=\"0.03\" isTrackStubTerminal=\"true\"/>");
    auto pair = read<DifferentialPairPolyline>("<pairController identifier=\"P\"/>");
    ASSERT_TRUE(net && track && junction && pair);
    EXPECT_EQ(net->typeName(), "Pcb Net");
    EXPECT_EQ(track->typeName(), "Track");
    EXPECT_EQ(junction->typeName(), "Track Junction");
    EXPECT_EQ(pair->typeName(), "Unknown");
    EXPECT_EQ(junction->worldCenter, QPointF(1, 2));
    EXPECT_EQ(junction->diameter, 0.03);
    EXPECT_TRUE(junction->isTrackStubTerminal);
    EXPECT_EQ(pair->identifier, "P");

    std::unique_ptr<QWidget> netEditor(editorFor(net));
    auto* frame = dynamic_cast<PcbNetEditor*>(netEditor.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->pcbNet, net);
    EXPECT_EQ(frame->title(), "PCB Net");
    EXPECT_TRUE(labels(frame).contains("No editable parameters"));

    std::unique_ptr<QWidget> trackEditor(editorFor(track));
    auto* placeholder = dynamic_cast<TrackEditor*>(trackEditor.get());
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->track, track);
    EXPECT_EQ(placeholder->title(), "Track");
    EXPECT_EQ(placeholder->messageLabel()->text(), "Not implemented");

    std::unique_ptr<QWidget> junctionEditor(editorFor(junction));
    auto* junctionFrame = dynamic_cast<TrackJunctionEditor*>(junctionEditor.get());
    ASSERT_TRUE(junctionFrame);
    EXPECT_EQ(junctionFrame->title(), "Track Junction");
    EXPECT_EQ(editorFor(pair), nullptr);
}
