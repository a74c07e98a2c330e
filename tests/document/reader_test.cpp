#include "DocumentTestEntities.h"
#include "TestSupport.h"

#include "core/Gzip.h"
#include "core/ReadWorkers.h"
#include "core/TextMetrics.h"
#include "core/XmlParts.h"
#include "document/Design.h"
#include "document/DesignReader.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "entities/pcb/CopperPour.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray readTestFile(const char* name)
{
    QFile f(QStringLiteral(BRINDLEX_TEST_DATA "/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QByteArray withMagic(const QByteArray& data) { return QByteArray("Brindlex QEL") + data; }

// A raw zlib stream (qCompress puts a 4-byte length in front of it).
QByteArray zlibStream(const QByteArray& data) { return qCompress(data).mid(4); }

// A stop set in the middle of a read: the entity marked "stopReading" sets
// it as it is read, the one marked "stopMeasuring" as the geometry pass
// measures it; the entities begun after that are counted.
struct MidReadStop {
    std::atomic<bool> stop{false};
    std::atomic<int> readAfter{0};
    std::atomic<int> measuredAfter{0};
};
MidReadStop& midReadStop()
{
    static MidReadStop s;
    return s;
}

class StoppingEntity : public Entity {
public:
    using Entity::Entity;
    bool stopsMeasuring = false;
    void readXML(pugi::xml_node element) override
    {
        MidReadStop& s = midReadStop();
        if (s.stop.load())
            ++s.readAfter;
        Entity::readXML(element);
        stopsMeasuring = bool(element.attribute("stopMeasuring"));
        if (element.attribute("stopReading"))
            s.stop = true;
    }
    void calculateBoundingBox() override
    {
        MidReadStop& s = midReadStop();
        if (s.stop.load())
            ++s.measuredAfter;
        boundingBox.addTransformedRect(QRectF(0, 0, 1, 1), netTransform);
        if (stopsMeasuring)
            s.stop = true;
    }
};

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerDocumentTestEntities();
        static const bool stopping = (registerEntity<StoppingEntity>("stoppingEntity"), true);
        (void)stopping;
        design.alertHook = [this](const AlertItem& a) { alerts.push_back(a); };
    }
    Design design;
    std::vector<AlertItem> alerts;
};

void expectBasicDesign(Design& design)
{
    auto state = design.currentDesignState();
    ASSERT_EQ(state->schematics.size(), 2u);
    EXPECT_EQ(state->schematics[0]->name, "Main");
    EXPECT_EQ(state->schematics[0]->id.value, 1);
    EXPECT_EQ(state->schematics[1]->name, "Power");
    EXPECT_EQ(state->pcb->layerList.count(), 12);
    EXPECT_EQ(state->pcb->layerList.bottomLayer, 6);
    EXPECT_EQ(state->pcb->layerList.drillFileName, "Holes");
    EXPECT_EQ(design.xmlVersionBeingRead, 12);
    EXPECT_EQ(design.designVersion, 3);
}

} // namespace

TEST_F(ReaderTest, PlainFileReadsSheetsSettingsLayersAndEntities)
{
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/basic.project"))) << design.lastError().toStdString();
    EXPECT_TRUE(alerts.empty());
    expectBasicDesign(design);
    EXPECT_EQ(design.shortName, "basic");

    auto state = design.currentDesignState();
    const PCB& pcb = *state->pcb;
    EXPECT_TRUE(pcb.pcbSettings.showGrid);
    EXPECT_TRUE(pcb.pcbSettings.showOrigin);
    EXPECT_FALSE(pcb.pcbSettings.showPadNames);
    EXPECT_DOUBLE_EQ(pcb.pcbSettings.solderMaskMargin, 0.005);
    EXPECT_EQ(pcb.pcbSettings.renderMode, RenderMode::gooch);
    EXPECT_EQ(pcb.pcbSettings.trackSnap, TrackSnapType::ninetyDegrees);
    EXPECT_EQ(pcb.pcbSettings.units, Units::mm);

    const SchematicSettings& s = state->schematics[0]->schematicSettings;
    EXPECT_TRUE(s.showGrid);
    EXPECT_DOUBLE_EQ(s.gridSpacing, 0.05);
    EXPECT_EQ(s.wireCorners, WireCornerStyle::rounded);
    EXPECT_TRUE(s.showNodeIds);
    EXPECT_EQ(s.nodePen.color, QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(s.nodePen.width, 0.01);
    // The second sheet has no settings element: defaults.
    EXPECT_EQ(state->schematics[1]->schematicSettings.wireCorners, WireCornerStyle::orthogonal);

    // Border, two probes and the holder; the unknown element is skipped.
    EXPECT_EQ(pcb.entityList.entities.size(), 4u);
    EXPECT_EQ(state->schematics[0]->entityList.entities.size(), 2u);
    for (const auto& e : pcb.entityList.entities)
        EXPECT_EQ(e->sheet, state->pcb.get());
    EXPECT_TRUE(state->pcb->hasBoardBorder());
    // Entities are read with the file's version already recorded.
    EXPECT_EQ(versionSeenWhileReading(), 12);
}

TEST_F(ReaderTest, MagicGzipAndZlibVariantsReadTheSame)
{
    const QByteArray plain = readTestFile("basic.project");
    const std::vector<std::pair<const char*, QByteArray>> variants = {
        {"magic", withMagic(plain)},
        {"gzip", gzipDeflate(plain)},
        {"magic+gzip", withMagic(gzipDeflate(plain))},
        {"zlib", zlibStream(plain)},
        {"magic+zlib", withMagic(zlibStream(plain))},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& [label, bytes] : variants) {
        SCOPED_TRACE(label);
        Design d;
        const QString path = dir.filePath(QString::fromLatin1(label).replace('+', '_') + ".project");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ASSERT_TRUE(d.open(path)) << d.lastError().toStdString();
        expectBasicDesign(d);
    }
    // Only the exact 12-byte magic is dropped: after anything else compressed
    // data is not recognised.
    EXPECT_FALSE(design.loadFromBytes(QByteArray("Brindlex QE ") + gzipDeflate(plain), "near.project"));
    EXPECT_FALSE(design.loadFromBytes(QByteArray("brindlex qel") + gzipDeflate(plain), "near.project"));
}

TEST_F(ReaderTest, UnreadableDataKeepsTheOpenDesignAndRaisesTheAlert)
{
    ASSERT_TRUE(design.loadFromBytes(readTestFile("basic.project"), "basic.project"));
    const auto before = design.currentDesignState();
    const QByteArray gz = gzipDeflate(readTestFile("basic.project"));

    const std::vector<std::pair<const char*, QByteArray>> bad = {
        {"malformed XML", QByteArray("<qel version=\"3\"><design><sheets></design></qel>")},
        {"truncated gzip", gz.left(gz.size() / 2)},
        {"corrupt gzip", gz.left(20) + QByteArray(40, 'x')},
        {"magic only", QByteArray("Brindlex QEL")},
        {"empty", QByteArray()},
        {"no design element", QByteArray("<qel version=\"5\"><other/></qel>")},
        {"text only", QByteArray("just words")},
    };
    for (const auto& [label, bytes] : bad) {
        SCOPED_TRACE(label);
        alerts.clear();
        EXPECT_FALSE(design.loadFromBytes(bytes, "bad.project"));
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, "Could not open bad.project");
        EXPECT_FALSE(alerts[0].message.isEmpty());
        EXPECT_EQ(alerts[0].message, design.lastError());
        EXPECT_EQ(design.currentDesignState(), before);
        EXPECT_EQ(design.xmlVersionBeingRead, 12);
        EXPECT_EQ(design.shortName, "basic");
    }

    alerts.clear();
    const QString missing = QStringLiteral(BRINDLEX_TEST_DATA "/does-not-exist.project");
    EXPECT_FALSE(design.open(missing));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "Could not open " + missing);
    EXPECT_EQ(design.currentDesignState(), before);

    // A folder is no design file either.
    alerts.clear();
    EXPECT_FALSE(design.open(QStringLiteral(BRINDLEX_TEST_DATA)));
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_EQ(design.currentDesignState(), before);
}

TEST_F(ReaderTest, AStoppedReadGivesNoSheetsAndLeavesTheOpenDesign)
{
    ASSERT_TRUE(design.loadFromBytes(readTestFile("basic.project"), "basic.project"));
    const auto open = design.currentDesignState();
    std::atomic<bool> stop{true};
    {
        const ReadWorkers::StopScope scope(&stop);
        const Design::Reading stopped = design.readApart(readTestFile("basic.project"), "again.project");
        EXPECT_EQ(stopped.state, nullptr);
        EXPECT_FALSE(stopped.error.isEmpty());
    }
    EXPECT_EQ(design.currentDesignState(), open);
    EXPECT_TRUE(alerts.empty());
    // The next read, not stopped, reads as ever.
    EXPECT_NE(design.readApart(readTestFile("basic.project"), "again.project").state, nullptr);

    // Stopped while under way, between entities: on one thread nothing is
    // read or measured after the entity that set the stop; on four, no more
    // than the entities the other threads had begun (not the rest of the
    // part of sixteen that entity begins, as when only parts checked it).
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    const auto sheetOf = [](int stopAt, const char* mark) {
        QByteArray xml = "<r version=\"12\"><design><sheets><schematic id=\"1\" name=\"S\"><entities>";
        for (int i = 0; i < 1024; ++i)
            xml += i == stopAt ? "<stoppingEntity " + QByteArray(mark) + "=\"1\"/>" : "<stoppingEntity/>";
        return xml + "</entities></schematic></sheets></design></r>";
    };
    for (const int threads : {1, 4}) {
        for (const char* mark : {"stopReading", "stopMeasuring"}) {
            SCOPED_TRACE(std::string(mark) + " on " + std::to_string(threads) + " threads");
            ReadWorkers::setThreads(threads);
            MidReadStop& s = midReadStop();
            s.stop = false;
            s.readAfter = 0;
            s.measuredAfter = 0;
            const ReadWorkers::StopScope scope(&s.stop);
            const Design::Reading stopped = design.readApart(sheetOf(16 * 20, mark), "stopped.project");
            EXPECT_TRUE(s.stop.load());
            EXPECT_EQ(stopped.state, nullptr);
            EXPECT_FALSE(stopped.error.isEmpty());
            EXPECT_LT(s.readAfter.load(), threads);
            EXPECT_LT(s.measuredAfter.load(), threads);
        }
    }
    EXPECT_EQ(design.currentDesignState(), open);
}

TEST_F(ReaderTest, OnlyRegularFilesAreReadAndNeverBeyondTheLimit)
{
    ASSERT_TRUE(design.loadFromBytes(readTestFile("basic.project"), "basic.project"));
    const auto before = design.currentDesignState();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto link = [&](const char* target, const char* name) {
        const QString path = dir.filePath(name);
        EXPECT_EQ(::symlink(target, QFile::encodeName(path).constData()), 0) << name;
        return path;
    };
    // A pipe would block open() until a writer came; a device would never end.
    const QString pipe = dir.filePath("pipe.project");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString socketPath = dir.filePath("socket.project");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(size_t(socketName.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketName.constData(), size_t(socketName.size()));
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    const QString refused[] = {pipe, link(QFile::encodeName(pipe).constData(), "link-to-pipe.project"), socketPath,
        link("/dev/zero", "zero.project"), link("/dev/urandom", "random.project"), link("/dev/null", "null.project"),
        dir.path()};
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        alerts.clear();
        EXPECT_FALSE(design.open(path));
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, "Could not open " + path);
        EXPECT_FALSE(alerts[0].message.isEmpty());
        EXPECT_EQ(design.currentDesignState(), before);
    }
    ::close(sock);

    // The limit holds for the size found and for what a read brings: a
    // system file that reports no size is cut off at it, too.
    QString error;
    const QString exact = dir.filePath("exact.project");
    QFile f(exact);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100, 'x'));
    f.close();
    EXPECT_EQ(DesignReader::readFile(exact, 100, &error), QByteArray(100, 'x'));
    EXPECT_FALSE(DesignReader::readFile(exact, 99, &error));
    EXPECT_EQ(error, "The file is too large.");
    if (QFile::exists("/proc/self/status")) {
        error.clear();
        EXPECT_FALSE(DesignReader::readFile("/proc/self/status", 16, &error));
        EXPECT_EQ(error, "The file is too large.");
        EXPECT_TRUE(DesignReader::readFile("/proc/self/status", 1 << 20, &error));
    }

    // A link to a design file and the samples in the resources still open.
    ASSERT_TRUE(design.open(link(BRINDLEX_TEST_DATA "/basic.project", "linked.project")));
    expectBasicDesign(design);
    EXPECT_TRUE(design.open(QStringLiteral(":/samples/Quorlan.project"))) << design.lastError().toStdString();
    EXPECT_FALSE(design.open(QStringLiteral(":/samples/none.project")));
}

TEST_F(ReaderTest, UnknownElementsAreSkippedAndMissingPartsGiveDefaults)
{
    const char* xml = R"(<anyRoot version="9">
      <somethingElse><pcb><layers><layer/></layers></pcb></somethingElse>
      <design>
        <sheets>
          <pcb/>
          <note>text</note>
          <schematic><entities><unknownKind/><probe/></entities></schematic>
        </sheets>
        <pcb>
          <layers><layer/><comment/><!-- a comment --><layer name="two"/>text</layers>
          <entities><probe layer="0"/><unknownKind><entities><probe/></entities></unknownKind></entities>
        </pcb>
      </design>
    </anyRoot>)";
    ASSERT_TRUE(design.loadFromBytes(QByteArray(xml), "odd.project")) << design.lastError().toStdString();
    auto state = design.currentDesignState();
    EXPECT_EQ(design.xmlVersionBeingRead, 9);
    EXPECT_EQ(design.designVersion, 0);
    ASSERT_EQ(state->schematics.size(), 1u);
    EXPECT_EQ(state->schematics[0]->entityList.entities.size(), 1u);
    ASSERT_EQ(state->pcb->layerList.count(), 2);
    EXPECT_EQ(state->pcb->layerList.layers[1]->name, "two");
    EXPECT_EQ(state->pcb->entityList.entities.size(), 1u);

    // A design element alone is a valid, empty design.
    ASSERT_TRUE(design.loadFromBytes(QByteArray("<r><design/></r>"), "empty.project"));
    EXPECT_EQ(design.xmlVersionBeingRead, 0);
    EXPECT_TRUE(design.currentDesignState()->schematics.empty());
    EXPECT_EQ(design.currentDesignState()->pcb->layerList.count(), 0);
}

TEST_F(ReaderTest, NonFiniteAndOutOfRangeNumbersKeepDefaults)
{
    const char* xml = R"(<r version="99999999999999999999" designVersion="nan"><design>
      <sheets><schematic><settings gridSpacing="nan" pageSize="inf,3" originOffset="1e999,2"
          sheetColor="300,0,0" units="furlong"/></schematic></sheets>
      <pcb>
        <settings solderMaskMargin="1e999" gridSpacing="-1" firstManualRouteLayer="1e3"
                  secondManualRouteLayer="99999999999" renderMode="Gooch"/>
        <layers explosionScale="nan" texturedPcbStrength="inf">
          <layer thickness="nan" dielectricConstant="-inf" baseMaterialThickness=" 1" color="1,2"/>
        </layers>
      </pcb></design></r>)";
    ASSERT_TRUE(design.loadFromBytes(QByteArray(xml), "numbers.project")) << design.lastError().toStdString();
    auto state = design.currentDesignState();
    EXPECT_EQ(design.xmlVersionBeingRead, 0);
    EXPECT_EQ(design.designVersion, 0);

    const SchematicSettings& s = state->schematics.at(0)->schematicSettings;
    const SchematicSettings defaults;
    EXPECT_EQ(s.gridSpacing, defaults.gridSpacing);
    EXPECT_EQ(s.pageSize, defaults.pageSize);
    EXPECT_EQ(s.originOffset, defaults.originOffset);
    EXPECT_EQ(s.sheetColor, defaults.sheetColor);
    EXPECT_EQ(s.units, defaults.units);

    const PcbSettings& p = state->pcb->pcbSettings;
    EXPECT_EQ(p.solderMaskMargin, 0.004);
    EXPECT_EQ(p.gridSpacing, 0.1);
    EXPECT_EQ(p.firstManualRouteLayer, 5);
    EXPECT_EQ(p.secondManualRouteLayer, 6);
    EXPECT_EQ(p.renderMode, RenderMode::textured);

    const PcbLayerList& list = state->pcb->layerList;
    EXPECT_EQ(list.explosionScale, 8);
    EXPECT_EQ(list.texturedPcbStrength, 0.0);
    const PcbLayer& layer = *list.layers.at(0);
    EXPECT_EQ(layer.thickness, 0.0);
    EXPECT_EQ(layer.dielectricConstant, 1.0);
    EXPECT_EQ(layer.baseMaterialThickness, 0.0);
    EXPECT_EQ(layer.color.value(), QColor(255, 255, 255));
}

TEST_F(ReaderTest, DeeplyNestedInputReadsWithoutExhaustingTheStack)
{
    // Far deeper than the entity-list cap, in holders and in plain elements.
    const int depth = 20000;
    QByteArray xml = "<r><design><pcb><entities>";
    for (int i = 0; i < depth; ++i)
        xml += "<testHolder><entities>";
    for (int i = 0; i < depth; ++i)
        xml += "</entities></testHolder>";
    xml += "</entities></pcb><sheets>";
    for (int i = 0; i < depth; ++i)
        xml += "<x>";
    for (int i = 0; i < depth; ++i)
        xml += "</x>";
    xml += "</sheets></design></r>";
    ASSERT_TRUE(design.loadFromBytes(xml, "deep.project")) << design.lastError().toStdString();

    int levels = 0;
    EntityList* list = &design.currentDesignState()->pcb->entityList;
    while (!list->entities.empty()) {
        ++levels;
        list = &static_cast<DocTestHolder*>(list->entities.front().get())->children;
    }
    EXPECT_LE(levels, EntityList::kMaxNesting);
    EXPECT_GT(levels, 1);
}

namespace {

// Element for element, exactly (QPainterPath's own comparison is fuzzy).
void expectSamePath(const QPainterPath& a, const QPainterPath& b)
{
    EXPECT_EQ(a.fillRule(), b.fillRule());
    ASSERT_EQ(a.elementCount(), b.elementCount());
    for (int i = 0; i < a.elementCount(); ++i) {
        const QPainterPath::Element e = a.elementAt(i), f = b.elementAt(i);
        ASSERT_TRUE(e.type == f.type && std::memcmp(&e.x, &f.x, sizeof e.x) == 0 && std::memcmp(&e.y, &f.y, sizeof e.y) == 0)
            << "element " << i << " of " << a.elementCount();
    }
}

// Every entity of both lists, in order and down through holders: the same
// kind, name, layer and measured box; pours the same surface.
void expectSameEntities(const EntityList& a, const EntityList& b, std::vector<QString>& identifiers)
{
    ASSERT_EQ(a.entities.size(), b.entities.size());
    for (size_t i = 0; i < a.entities.size(); ++i) {
        Entity& x = *a.entities[i];
        Entity& y = *b.entities[i];
        ASSERT_EQ(typeid(x), typeid(y)) << i;
        EXPECT_EQ(x.elementName, y.elementName);
        EXPECT_EQ(x.identifier, y.identifier);
        EXPECT_EQ(x.layerIndex, y.layerIndex);
        EXPECT_EQ(x.boundingBox.valid, y.boundingBox.valid);
        EXPECT_EQ(x.boundingBox.rect(), y.boundingBox.rect()) << x.identifier.toStdString();
        identifiers.push_back(x.identifier);
        if (auto* p = dynamic_cast<CopperPour*>(&x)) {
            auto& q = static_cast<CopperPour&>(y);
            ASSERT_EQ(p->planeSurface.contours.size(), q.planeSurface.contours.size());
            ASSERT_TRUE(p->planeSurface.path && q.planeSurface.path);
            expectSamePath(*p->planeSurface.path, *q.planeSurface.path);
        }
        if (IEntityHolder* h = x.holder())
            expectSameEntities(h->entities(), y.holder()->entities(), identifiers);
    }
}

// Limits under which a test's short texts are cut, restored after.
struct XmlPartsLimitsSet {
    explicit XmlPartsLimitsSet(XmlParts::Limits limits) { XmlParts::setDefaultLimits(limits); }
    ~XmlPartsLimitsSet() { XmlParts::setDefaultLimits(XmlParts::Limits()); }
};

// The tree under node as text, through the runs of cut lists.
void dumpTree(const XmlParts& parts, pugi::xml_node node, std::string& out)
{
    parts.forEachChild(node, [&](pugi::xml_node child) {
        if (child.type() != pugi::node_element) {
            out += std::string("[") + child.value() + "]";
            return;
        }
        out += std::string("<") + child.name();
        for (pugi::xml_attribute a : child.attributes())
            out += std::string(" ") + a.name() + "=" + a.value();
        out += ">";
        dumpTree(parts, child, out);
        out += "</>";
    });
}

} // namespace

TEST(XmlPartsTest, ACutTextParsesToTheTreeOfAWholeParseOrIsParsedWhole)
{
    const QByteArray board
        = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r version=\"12\"><design><sheets><schematic>"
          "<entities><wire a='1'/><symbol b=\"x&gt;y\"><pin/></symbol></entities></schematic><schematic/></sheets>"
          "<pcb><layers><layer name=\"L\"/></layers><entities>\n  <via at=\"1,2\"/>text &amp; more"
          "<track t=\"a/>b\" u='\"q\"'><vertices><vertex at=\"0,0\"/></vertices></track>\r\n"
          "<copperPour><fill><polygon><vertex at=\"1,1\"/></polygon>\r\n<polygon isHole='true'><vertex at=\"2,2\"/>"
          "</polygon><polygonal/><polygon/></fill><fill><polygon/></fill></copperPour><text value='say > hi'/>"
          "</entities><entities><via/></entities><entities/></pcb></design></r>";
    struct Case {
        QByteArray text;
        int cut; // whether the text is cut: 1 always, 0 never, -1 as the scan meets it
    };
    const std::vector<Case> cases = {
        {board, true},
        // A '<' in a value (which pugixml takes) looks like a tag to a scan
        // that starts there: the text is then parsed whole.
        {QByteArray(board).replace("say > hi", "say <b> hi"), -1},
        {QByteArray(board).replace("<via/>", "<!-- <via/> --><via/>"), false},
        {QByteArray(board).replace("<via/>", "<![CDATA[<via/>]]>"), false},
        {QByteArray(board).replace("<via/>", "<?pi <via/>?>"), false},
        {QByteArray(board).replace("<?xml", "<!DOCTYPE r><?xml"), false},
        {QByteArray(board).replace("UTF-8", "ISO-8859-1"), false},
        {QByteArray(board).replace("text &amp;", QByteArray("text\0&amp;", 10)), false},
        // Faults, in the skeleton and in runs: the whole parse names them.
        {QByteArray(board).replace("</track>", "</trak>"), false},
        {QByteArray(board).replace("<polygon/>", "<polygon>"), false},
        {QByteArray(board).replace("</entities><entities><via/>", "</entities><entities><via>"), false},
        {QByteArray(board).replace("<wire a='1'/>", "<wire a='1>"), false},
        {board.left(board.size() - 20), false},
        // Text ends the list after a pour, in the run that holds the pour
        // (parsed apart from its fill).
        {QByteArray(board).replace("<text value='say > hi'/></entities>", "tail\x01</entities>"), true},
        // An unknown reference is kept as written.
        {QByteArray(board).replace("&amp;", "&bad"), true},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        QByteArray wholeText = cases[i].text;
        XmlParts whole;
        const pugi::xml_parse_result wholeResult = whole.parse(wholeText, DesignReader::partLists(), false);
        EXPECT_FALSE(whole.split());
        std::string expected;
        dumpTree(whole, whole.document(), expected);
        // Scans and runs that start at every kind of place.
        for (size_t chunk : {1, 2, 3, 5, 8, 13, 64}) {
            for (size_t run : {1, 30}) {
                SCOPED_TRACE(chunk * 100 + run);
                XmlParts parts;
                QByteArray text = cases[i].text;
                const pugi::xml_parse_result result = parts.parse(text, DesignReader::partLists(), {0, 0, run, chunk});
                if (parts.split()) {
                    EXPECT_TRUE(text == cases[i].text); // left as it was for the runs
                }
                if (!wholeResult) {
                    // Refused as the whole parse refuses it, or refused by a run.
                    std::string got;
                    dumpTree(parts, parts.document(), got);
                    EXPECT_TRUE((!result && result.status == wholeResult.status && result.offset == wholeResult.offset)
                                || (result && parts.failed()));
                    continue;
                }
                ASSERT_TRUE(result) << result.description();
                if (cases[i].cut >= 0) {
                    EXPECT_EQ(parts.split(), cases[i].cut == 1);
                }
                std::string got;
                dumpTree(parts, parts.document(), got);
                EXPECT_FALSE(parts.failed());
                EXPECT_EQ(got, expected);
            }
        }
    }
}

TEST_F(ReaderTest, AFaultInACutRunIsNamedAsAWholeParseNamesIt)
{
    QByteArray xml = "<r version=\"12\"><design><pcb><entities>";
    for (int i = 0; i < 200; ++i)
        xml += "<via identifier=\"v" + QByteArray::number(i) + "\" at=\"1,1\"/>";
    xml += "<track><vertices></track></entities></pcb></design></r>";
    const XmlPartsLimitsSet cutShort({0, 0, 100, 512});
    ASSERT_TRUE(design.loadFromBytes(readTestFile("basic.project"), "basic.project"));
    const auto before = design.currentDesignState();
    alerts.clear();
    EXPECT_FALSE(design.loadFromBytes(xml, "bad.project"));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(design.currentDesignState(), before);
    QByteArray text = xml;
    pugi::xml_document doc;
    const pugi::xml_parse_result whole = doc.load_buffer_inplace(text.data(), size_t(text.size()));
    ASSERT_FALSE(whole);
    EXPECT_EQ(alerts[0].message.toStdString(),
              QStringLiteral("%1 (at byte %2)").arg(whole.description()).arg(whole.offset).toStdString());
}

TEST_F(ReaderTest, ABoardReadOnSeveralThreadsEqualsItsReadOnOne)
{
    // Long enough to be read in parts, with a pour whose polygons are too
    // and whose first polygon's vertices are as well: one vertex with a
    // second attribute first, one unreadable.
    QByteArray xml = "<r version=\"12\"><design><pcb><entities>"
                     "<copperPour identifier=\"pour\" layer=\"5\" points=\"0,0 4,0 4,4\"><fill>";
    for (int polygon = 0; polygon < 4; ++polygon) {
        xml += polygon ? "<polygon isHole=\"true\">" : "<polygon>";
        const int count = polygon ? 3000 : 9000;
        for (int v = 0; v < count; ++v) {
            const double a = v * 2 * M_PI / count, r = polygon ? 0.1 : 2;
            const QByteArray at = QByteArray::number(2 + polygon * 0.3 + r * std::cos(a)) + ","
                + QByteArray::number(2 + r * std::sin(a));
            if (v == 7)
                xml += "<vertex routed=\"x\" at=\"" + at + "\"/>";
            else if (v == 9)
                xml += "<vertex at=\"nan,1\"/>";
            else
                xml += "<vertex at=\"" + at + "\"/>";
        }
        xml += "</polygon>";
    }
    // Small ones, some repeating a point, some on one point (one alone, and
    // a run of them ending the fill), one too short to draw.
    for (int polygon = 4; polygon < 44; ++polygon) {
        xml += polygon % 2 ? "<polygon isHole=\"true\">" : "<polygon>";
        const QByteArray x = QByteArray::number(0.5 + polygon * 0.07);
        if (polygon == 15 || polygon >= 36) {
            xml += "<vertex at=\"" + x + ",3\"/><vertex at=\"" + x + ",3\"/><vertex at=\"" + x + ",3\"/>";
        } else if (polygon == 23) {
            xml += "<vertex at=\"1,1\"/><vertex at=\"2,1\"/>";
        } else {
            xml += "<vertex at=\"" + x + ",3\"/><vertex at=\"" + x + ",3\"/><vertex at=\"" + x + ",3.05\"/>";
            if (polygon % 3 == 0)
                xml += "<vertex at=\"0,3.05\"/><vertex at=\"0.0000000000001,3.05\"/>";
            xml += "<vertex at=\"" + x + "5,3.02\"/><vertex at=\"" + x + ",3\"/>";
        }
        xml += "</polygon>";
    }
    xml += "</fill></copperPour>";
    for (int i = 0; i < 700; ++i) {
        const QByteArray id = "e" + QByteArray::number(i), at = QByteArray::number(i * 0.01) + ",1";
        switch (i % 5) {
        case 0: xml += "<via identifier=\"" + id + "\" at=\"" + at + "\" diameter=\"0.02\" holeDiameter=\"0.01\"/>"; break;
        case 1:
            xml += "<net identifier=\"" + id + "\" width=\"0.01\"><entities><track layer=\"5\"><vertices><vertex at=\""
                + at + "\"/><vertex at=\"3,3\"/></vertices></track></entities></net>";
            break;
        case 2: xml += "<unknownThing identifier=\"" + id + "\"/>"; break;
        case 3:
            xml += "<testHolder identifier=\"" + id + "\"><entities><via identifier=\"" + id + "v\" at=\"" + at
                + "\" diameter=\"0.03\"/><testHolder identifier=\"" + id + "h\"/></entities></testHolder>";
            break;
        default: xml += "<testPad identifier=\"" + id + "\" layer=\"" + QByteArray::number(i % 9) + "\"/>"; break;
        }
    }
    // Footprints of a rounded pad and two texts: measured on several threads
    // at once, they share the text and pad shape caches.
    for (int i = 0; i < 300; ++i) {
        const QByteArray id = "f" + QByteArray::number(i);
        xml += "<footprint identifier=\"" + id + "\" dx=\"" + QByteArray::number(8 + i * 0.02)
            + "\" dy=\"2\" m11=\"0\" m12=\"1\" m21=\"-1\" m22=\"0\"><entities>"
              "<pad identifier=\"" + id + "p\" name=\"" + QByteArray::number(i % 7) + "\" layer=\"5\" at=\"0.01,0\""
              " size=\"0.05,0.03\" roundness=\"0." + QByteArray::number(3 + i % 3) + "\"/>"
              "<footprintId identifier=\"" + id + "t\" text=\"U" + QByteArray::number(i) + "\" layer=\"3\" at=\"0,0.1\""
              " height=\"0.04\" visibleInPcb=\"true\"/>"
              "<footprintPartValue identifier=\"" + id + "v\" text=\"R" + QByteArray::number(i % 11) + "&#13;&#10;X\" layer=\"3\""
              " at=\"0,-0.1\" height=\"0.03\" showInPcb=\"true\"/></entities></footprint>";
    }
    xml += "</entities></pcb></design></r>";

    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    ReadWorkers::setThreads(1);
    ASSERT_EQ(ReadWorkers::threads(), 1);
    Design one;
    ASSERT_TRUE(one.loadFromBytes(xml, "one.project"));
    PCB& a = *one.currentDesignState()->pcb;
    clearTextPathCache();
    a.updateGeometry();
    ReadWorkers::setThreads(4);
    ASSERT_EQ(ReadWorkers::threads(), 4);
    ASSERT_TRUE(design.loadFromBytes(xml, "several.project"));
    PCB& b = *design.currentDesignState()->pcb;
    clearTextPathCache();
    b.updateGeometry();
    std::vector<QString> identifiers;
    expectSameEntities(a.entityList, b.entityList, identifiers);
    {
        // Cut into runs of a few elements, the pour's fill too.
        const XmlPartsLimitsSet cutShort({0, 0, 2000, 4001});
        XmlParts parts;
        QByteArray text = xml;
        ASSERT_TRUE(parts.parse(text, DesignReader::partLists()));
        EXPECT_TRUE(parts.split());
        Design cut;
        ASSERT_TRUE(cut.loadFromBytes(xml, "cut.project"));
        PCB& c = *cut.currentDesignState()->pcb;
        clearTextPathCache();
        c.updateGeometry();
        std::vector<QString> cutIdentifiers;
        expectSameEntities(a.entityList, c.entityList, cutIdentifiers);
    }
    // In document order, unknown elements left out: seven entities in
    // every five elements (a net's track and a holder's two children),
    // four in every footprint.
    ASSERT_EQ(identifiers.size(), 1u + 700 / 5 * 7 + 300 * 4);
    const std::vector<QString> first(identifiers.begin(), identifiers.begin() + 8);
    EXPECT_EQ(first, (std::vector<QString>{"pour", "e0", "e1", "", "e3", "e3v", "e3h", "e4"}));
    EXPECT_EQ(identifiers[1u + 700 / 5 * 7 - 1], "e699");
    EXPECT_EQ(identifiers.back(), "f299v");
    // The sheet as a whole: its box, and the layers its passes look for.
    ASSERT_TRUE(b.entityList.boundingBox.valid);
    EXPECT_EQ(a.entityList.boundingBox.rect(), b.entityList.boundingBox.rect());
    EXPECT_GT(b.entityList.boundingBox.topRight.x(), 13.9); // the last footprint's text
    for (int layer = -10; layer < 70; ++layer)
        EXPECT_EQ(a.entityList.mayContainLayer(layer), b.entityList.mayContainLayer(layer)) << layer;
    auto& pour = static_cast<CopperPour&>(*b.entityList.entities.front());
    ASSERT_EQ(pour.planeSurface.contours.size(), 44u);
    // The unreadable vertex reads as the origin, as everywhere else.
    EXPECT_EQ(pour.planeSurface.contours[0].points[9], QPointF(0, 0));
    EXPECT_NEAR(pour.planeSurface.contours[0].points[7].x(), 2 + 2 * std::cos(7 * 2 * M_PI / 9000), 1e-4);
    EXPECT_EQ(pour.planeSurface.contours[23].points.size(), 2u);
    // The path is what moving to each contour's first point and drawing a
    // line to each further one gives (outlines counter-clockwise, holes
    // clockwise): a line to the point just reached, or one equal to it in
    // Qt's fuzzy sense, adds nothing.
    QPainterPath expected;
    for (const PlaneSurface::Contour& contour : pour.planeSurface.contours) {
        const size_t n = contour.points.size();
        if (n < 3)
            continue;
        double area = 0;
        for (size_t i = 0; i < n; ++i) {
            const QPointF p = contour.points[i], q = contour.points[(i + 1) % n];
            area += p.x() * q.y() - p.y() * q.x();
        }
        const bool reversed = (area < 0) != contour.isHole;
        expected.moveTo(contour.points[reversed ? n - 1 : 0]);
        for (size_t i = 1; i < n; ++i)
            expected.lineTo(contour.points[reversed ? n - 1 - i : i]);
        expected.closeSubpath();
    }
    expectSamePath(expected, *pour.planeSurface.path);
}

TEST(DesignShared, OneDocumentWithALazilyCreatedState)
{
    Design& d = Design::shared();
    EXPECT_EQ(&d, &Design::shared());
    EXPECT_TRUE(d.isProject);
    auto state = d.currentDesignState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state, d.currentDesignState());
    ASSERT_TRUE(state->pcb);
    EXPECT_EQ(state->pcb->design, &d);
    EXPECT_EQ(state->pcb->layerList.count(), 0);

    const std::size_t before = state->schematics.size();
    auto added = state->addSchematic();
    EXPECT_EQ(state->schematics.size(), before + 1);
    EXPECT_EQ(state->schematics.back(), added);
    EXPECT_EQ(added->design, &d);
    EXPECT_TRUE(added->entityList.entities.empty());
}

TEST(DesignShared, ReleasingAStateFreesEveryEntityOnceAndNoneOfASheetStillHeld)
{
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    ReadWorkers::setThreads(4);
    // A long list read in parts by three threads and the caller, and
    // entities added since (marks of no thread); a short schematic list.
    Design design;
    std::vector<std::weak_ptr<Entity>> board, kept;
    std::shared_ptr<Schematic> heldSheet;
    {
        auto state = std::make_shared<DesignState>(&design);
        EntityList& list = state->pcb->entityList;
        std::vector<uint8_t> marks;
        for (size_t i = 0; i < 700; ++i) {
            auto e = std::make_shared<Probe>(state->pcb.get());
            board.push_back(e);
            list.entities.push_back(e);
            marks.push_back(i < 600 ? ReadWorkers::ThreadMark(i / 7 % 4) : ReadWorkers::kAnyThread);
        }
        list.setReadMarks(std::move(marks));
        heldSheet = state->addSchematic();
        for (size_t i = 0; i < 300; ++i) {
            auto e = std::make_shared<Probe>(heldSheet.get());
            kept.push_back(e);
            heldSheet->entityList.entities.push_back(e);
        }
    }
    for (const auto& e : board)
        EXPECT_TRUE(e.expired());
    for (const auto& e : kept)
        EXPECT_FALSE(e.expired());
    EXPECT_EQ(heldSheet->entityList.entities.size(), 300u);
}
