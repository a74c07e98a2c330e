#include "TestSupport.h"

#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "entities/footprints/PackageEnums.h"
#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

using namespace std::string_literals;

namespace {

// A family as the package families are written: its own fields, some of them
// lazy, listed once on a ParamReader after the base reader.
class SampleFamily : public ParametricFootprint {
public:
    explicit SampleFamily(GraphicsSheet* sheet) : ParametricFootprint(sheet) {}

    double padSeparation = 0.06692913385826772;
    Lazy<double> capWidth{[this] { return padSize.width() * 0.7; }};
    ESeries eSeries = ESeries::none;
    PinLeadType leadType = PinLeadType::gullWing;
    Lazy<double> trackWidth{0.03937007874015748};
    Lazy<double> trackSpacing{[this] { return trackWidth.get(); }};
    Lazy<int> pins{3};
    Lazy<bool> padsHaveHoled{true};
    QString leftPrefix;

    void readXML(pugi::xml_node element) override
    {
        ParametricFootprint::readXML(element);
        ParamReader(element)
            .number("padSeparation", padSeparation)
            .floatNumber("capWidth", capWidth)
            .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString)
            .enumeration("leadType", leadType, PinLeadType::jLead, pinLeadTypeFromString)
            .number("trackWidth", trackWidth)
            .number("trackSpacing", trackSpacing)
            .integer("pins", pins)
            .boolean("padsHaveHoled", padsHaveHoled)
            .text("leftPrefix", leftPrefix);
    }
};

// A folder holding a generated decimal-comma locale, built once and shared by
// the test processes (ctest runs each test in its own process, and building
// a locale takes about a second). Empty when it cannot be built.
QString generatedLocaleFolder()
{
    static const QString folder = [] {
        const QString shared = QDir::temp().filePath("brindlex-test-locales");
        if (QDir(shared).exists("de_DE.UTF-8/LC_NUMERIC"))
            return shared;
        if (!QFile::exists("/usr/share/i18n/locales/de_DE"))
            return QString();
        // Built aside and moved into place whole, so that a process running
        // at the same time never sees half a locale.
        QTemporaryDir building(QDir::temp().filePath("brindlex-test-locales-XXXXXX"));
        if (!building.isValid())
            return QString();
        const QString target = building.filePath("de_DE.UTF-8");
        const int rc = QProcess::execute("localedef", {"--no-archive", "-i", "de_DE", "-f", "UTF-8", target});
        if (rc != 0 && !QDir(target).exists("LC_NUMERIC"))
            return QString();
        if (QDir().rename(building.path(), shared))
            building.setAutoRemove(false);
        return QDir(shared).exists("de_DE.UTF-8/LC_NUMERIC") ? shared : QString();
    }();
    return folder;
}

// Switches the process to a locale whose decimal separator is a comma,
// generating one when the machine has none; restores the previous locale
// when destroyed.
class CommaLocale {
public:
    CommaLocale() : oldLocale_(std::setlocale(LC_ALL, nullptr)), oldLocPath_(qgetenv("LOCPATH"))
    {
        active_ = tryCandidates();
        if (!active_) {
            if (const QString folder = generatedLocaleFolder(); !folder.isEmpty()) {
                qputenv("LOCPATH", folder.toLocal8Bit());
                active_ = tryCandidates();
            }
        }
        if (active_)
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale()
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, oldLocale_.c_str());
        if (oldLocPath_.isNull())
            qunsetenv("LOCPATH");
        else
            qputenv("LOCPATH", oldLocPath_);
    }
    bool active() const { return active_; }

private:
    static bool tryCandidates()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "de_DE"})
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == ","s)
                return true;
        return false;
    }

    std::string oldLocale_;
    QByteArray oldLocPath_;
    bool active_ = false;
};

// Every value rule runs in the C locale and again under a decimal comma:
// the file reads the same either way.
class ParametricBase : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (!GetParam())
            return;
        locale = std::make_unique<CommaLocale>();
        if (!locale->active())
            GTEST_SKIP() << "no locale with a decimal comma on this machine (package locales)";
        ASSERT_EQ(std::strtod("0,5", nullptr), 0.5); // the locale really is in force
    }
    void TearDown() override { locale.reset(); }

    std::shared_ptr<SampleFamily> read(const std::string& attributes, const std::string& children = {})
    {
        pugi::xml_document doc = parseXml("<sampleFootprint " + attributes + ">" + children + "</sampleFootprint>");
        auto f = std::make_shared<SampleFamily>(&pcb);
        f->readXML(doc.first_child());
        return f;
    }

    std::unique_ptr<CommaLocale> locale;
    Design design;
    std::shared_ptr<DesignState> state = design.currentDesignState();
    PCB& pcb = *state->pcb;
};

INSTANTIATE_TEST_SUITE_P(Locales, ParametricBase, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "DecimalComma" : "C";
                         });

double widened(float f) { return double(f); }

TEST_P(ParametricBase, ElementWithoutParametersKeepsEveryDefault)
{
    const auto f = read("partNumber=\"R1\" goldPlated=\"true\"");
    // The footprint's own attributes are read first.
    EXPECT_EQ(f->partText(Footprint::PartText::partNumber), "R1");
    EXPECT_TRUE(f->goldPlated);

    EXPECT_FALSE(f->addFiducials);
    EXPECT_EQ(f->arrangeTerminalsOnSides, SidesType::leftAndRight);
    EXPECT_TRUE(f->autoGenerate3D);
    EXPECT_TRUE(f->autoGeneratePackageBody);
    EXPECT_EQ(f->courtyardExcess, 0.0);
    EXPECT_FALSE(f->flipPackageText);
    EXPECT_EQ(f->holeDiameter, 0.0);
    EXPECT_NEAR(f->packageColor.redF(), 0.251, 1e-4);
    EXPECT_NEAR(f->packageColor.greenF(), 0.251, 1e-4);
    EXPECT_NEAR(f->packageColor.blueF(), 0.251, 1e-4);
    EXPECT_EQ(f->packageColor.alphaF(), 1.0);
    EXPECT_EQ(f->packageDepth, 0.06299212598425198);
    EXPECT_EQ(f->padRoundness, 0.0);
    EXPECT_EQ(f->padSize, QSizeF(0, 0));
    EXPECT_EQ(f->pinMaterial, PinMaterialType::silver);
    EXPECT_EQ(f->roundedSide, RoundedSideType::all);
    EXPECT_FALSE(f->roundPads);
    EXPECT_EQ(f->silkscreenExcess, 0.0);
    EXPECT_FALSE(f->materialParameters.reflectiveSurface);
    EXPECT_EQ(f->materialParameters.reflectivePower, 1.0);
    EXPECT_EQ(f->materialParameters.color, QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_FALSE(f->materialParameters.parametricBitmap.has_value());

    // The family's lazy fields are all set by reading.
    EXPECT_EQ(f->capWidth.stored(), 0.0);
    EXPECT_EQ(f->trackSpacing.stored(), 0.03937007874015748);
    EXPECT_EQ(f->pins.stored(), 3);
    EXPECT_EQ(f->padsHaveHoled.stored(), true);
    // A missing enumeration word stores the fallback, not the initial case.
    EXPECT_EQ(f->leadType, PinLeadType::jLead);
}

TEST_P(ParametricBase, BooleanIsTrueOnlyForTheExactWord)
{
    EXPECT_TRUE(read("addFiducials=\"true\"")->addFiducials);
    for (const char* text : {"TRUE", "True", "1", "yes", "", " true"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(read("addFiducials=\""s + text + "\"")->addFiducials);
        EXPECT_FALSE(read("autoGenerate3D=\""s + text + "\"")->autoGenerate3D);
    }
    EXPECT_FALSE(read("autoGenerate3D=\"false\"")->autoGenerate3D);
    EXPECT_TRUE(read("roundPads=\"true\" flipPackageText=\"true\"")->flipPackageText);
}

TEST_P(ParametricBase, WholeTextNumbersAreReadInTheCLocale)
{
    EXPECT_EQ(read("holeDiameter=\"4e-2\"")->holeDiameter, 0.04);
    EXPECT_EQ(read("holeDiameter=\"0.04\"")->holeDiameter, 0.04);
    EXPECT_EQ(read("courtyardExcess=\"-0.5\"")->courtyardExcess, -0.5);
    // Double precision: no single-precision error.
    EXPECT_EQ(read("packageDepth=\"0.1\"")->packageDepth, 0.1);
    for (const char* text : {" 0.04", "\t0.04", "0.04mm", "0.04 ", "", "0,04", "nan", "inf", "1e999", "-"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read("holeDiameter=\""s + text + "\"")->holeDiameter, 0.0);
        EXPECT_EQ(read("packageDepth=\""s + text + "\"")->packageDepth, 0.06299212598425198);
    }
}

TEST_P(ParametricBase, SinglePrecisionNumbersAndPairsCarryFloatError)
{
    EXPECT_EQ(read("capWidth=\"0.03\"")->capWidth.get(), 0.029999999329447746);
    EXPECT_EQ(read("capWidth=\"0.1\"")->capWidth.get(), 0.10000000149011612);

    const auto f = read("padSize=\"0.05,0.06\"");
    EXPECT_EQ(f->padSize.width(), 0.05000000074505806);
    EXPECT_EQ(f->padSize.height(), 0.05999999865889549);
    EXPECT_EQ(read("padSize=\"0.05,0.06,7\"")->padSize, QSizeF(widened(0.05f), widened(0.06f)));
    // Anything but two numbers keeps the current size.
    for (const char* text : {"0.05", "", "0.05, 0.06", "0.05,", "a,b", "0.05;0.06", "nan,1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read("padSize=\""s + text + "\"")->padSize, QSizeF(0, 0));
    }
}

TEST_P(ParametricBase, EnumerationsFallBackWhateverTheFieldHeld)
{
    EXPECT_EQ(read("arrangeTerminals=\"fourSided\"")->arrangeTerminalsOnSides, SidesType::fourSided);
    EXPECT_EQ(read("arrangeTerminals=\"left\"")->arrangeTerminalsOnSides, SidesType::left);
    EXPECT_EQ(read("arrangeTerminalsOnSides=\"fourSided\"")->arrangeTerminalsOnSides, SidesType::leftAndRight);
    EXPECT_EQ(read("arrangeTerminals=\"FourSided\" arrangeTerminalsOnSides=\"fourSided\"")->arrangeTerminalsOnSides,
              SidesType::leftAndRight);
    EXPECT_EQ(read("pinMaterial=\"Gold\"")->pinMaterial, PinMaterialType::silver);
    EXPECT_EQ(read("pinMaterial=\"dullGold\"")->pinMaterial, PinMaterialType::dullGold);
    EXPECT_EQ(read("roundedSide=\"top\"")->roundedSide, RoundedSideType::top);
    EXPECT_EQ(read("roundedSide=\"none\"")->roundedSide, RoundedSideType::all);
    EXPECT_EQ(read("roundedSide=\"\"")->roundedSide, RoundedSideType::all);
    EXPECT_EQ(read("eSeries=\"e24\"")->eSeries, ESeries::e24);
    EXPECT_EQ(read("eSeries=\"E24\"")->eSeries, ESeries::none);
    EXPECT_EQ(read("leadType=\"straight\"")->leadType, PinLeadType::straight);
    EXPECT_EQ(read("leadType=\"Straight\"")->leadType, PinLeadType::jLead);

    // A second read of an element without the attribute overwrites a case
    // read earlier.
    auto f = read("arrangeTerminals=\"left\" pinMaterial=\"gold\"");
    pugi::xml_document doc = parseXml("<sampleFootprint/>");
    f->readXML(doc.first_child());
    EXPECT_EQ(f->arrangeTerminalsOnSides, SidesType::leftAndRight);
    EXPECT_EQ(f->pinMaterial, PinMaterialType::silver);
}

TEST_P(ParametricBase, MaterialAndPackageColoursAreSeparate)
{
    auto f = read("color=\"255,0,0\"");
    EXPECT_EQ(f->materialParameters.color, QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_NEAR(f->packageColor.redF(), 0.251, 1e-4);

    f = read("packageColor=\"128,0,255,0\"");
    EXPECT_EQ(f->packageColor.alpha(), 128);
    EXPECT_EQ(f->packageColor.green(), 255);
    EXPECT_EQ(f->materialParameters.color, QColor::fromRgbF(1, 1, 1, 1));

    // Out-of-range or malformed colours keep the current colour.
    EXPECT_EQ(read("color=\"256,0,0\"")->materialParameters.color, QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_NEAR(read("packageColor=\"0.5,0,0\"")->packageColor.redF(), 0.251, 1e-4);

    f = read("reflectiveSurface=\"true\" reflectivePower=\"0.1\"");
    EXPECT_TRUE(f->materialParameters.reflectiveSurface);
    EXPECT_EQ(f->materialParameters.reflectivePower, 0.1); // double precision
    EXPECT_EQ(read("reflectivePower=\"0,5\"")->materialParameters.reflectivePower, 1.0);

    // The reader drops a bitmap and keeps a flag the element does not name.
    f->materialParameters.parametricBitmap = ParametricBitmap{};
    pugi::xml_document doc = parseXml("<sampleFootprint/>");
    f->readXML(doc.first_child());
    EXPECT_FALSE(f->materialParameters.parametricBitmap.has_value());
    EXPECT_TRUE(f->materialParameters.reflectiveSurface);
}

TEST_P(ParametricBase, LazyParametersAreAlwaysStoredByTheReader)
{
    // The first value comes from the pad size the base reader has just read.
    auto f = read("padSize=\"0.05,0.04\"");
    EXPECT_EQ(f->capWidth.stored(), 0.03500000052154064);
    EXPECT_EQ(read("padSize=\"0.05,0.04\" capWidth=\" 0.03\"")->capWidth.get(), 0.03500000052154064);
    EXPECT_EQ(read("padSize=\"0.05,0.04\" capWidth=\"0,03\"")->capWidth.get(), 0.03500000052154064);

    // A missing attribute keeps a value already made, not a fresh one.
    f = std::make_shared<SampleFamily>(&pcb);
    EXPECT_FALSE(f->capWidth.isSet());
    EXPECT_EQ(f->capWidth.get(), 0.0);
    pugi::xml_document doc = parseXml("<sampleFootprint padSize=\"0.05,0.04\"/>");
    f->readXML(doc.first_child());
    EXPECT_EQ(f->capWidth.get(), 0.0);

    // A lazy value made from another lazy value takes the one just read.
    EXPECT_EQ(read("trackWidth=\"0.02\"")->trackSpacing.get(), 0.02);
    EXPECT_EQ(read("trackWidth=\"0.02\" trackSpacing=\"0.05\"")->trackSpacing.get(), 0.05);

    EXPECT_EQ(read("pins=\"-4\"")->pins.get(), -4);
    for (const char* text : {"2.0", " 2", "", "99999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read("pins=\""s + text + "\"")->pins.stored(), 3);
    }
    EXPECT_EQ(read("padsHaveHoled=\"false\"")->padsHaveHoled.get(), false);
    EXPECT_EQ(read("padsHaveHoled=\"TRUE\"")->padsHaveHoled.get(), false);
}

TEST_P(ParametricBase, TextsReplaceOnlyWhenPresent)
{
    EXPECT_EQ(read("leftPrefix=\"A\"")->leftPrefix, "A");
    auto f = read("leftPrefix=\"A\"");
    pugi::xml_document empty = parseXml("<sampleFootprint leftPrefix=\"\"/>");
    f->readXML(empty.first_child());
    EXPECT_EQ(f->leftPrefix, "");
    f->leftPrefix = "B";
    pugi::xml_document missing = parseXml("<sampleFootprint/>");
    f->readXML(missing.first_child());
    EXPECT_EQ(f->leftPrefix, "B");
}

TEST(PackageEnums, WordsMatchExactlyBothWays)
{
    for (PinLeadType v : {PinLeadType::leadLess, PinLeadType::straight, PinLeadType::gullWing, PinLeadType::jLead})
        EXPECT_EQ(pinLeadTypeFromString(toString(v)), v);
    for (PinMaterialType v :
         {PinMaterialType::gold, PinMaterialType::dullGold, PinMaterialType::silver, PinMaterialType::dullSilver})
        EXPECT_EQ(pinMaterialTypeFromString(toString(v)), v);
    for (SidesType v : {SidesType::fourSided, SidesType::leftAndRight, SidesType::left})
        EXPECT_EQ(sidesTypeFromString(toString(v)), v);
    for (ESeries v : {ESeries::e6, ESeries::e12, ESeries::e24, ESeries::e48, ESeries::none})
        EXPECT_EQ(eSeriesFromString(toString(v)), v);

    EXPECT_STREQ(toString(PinLeadType::leadLess), "leadLess");
    EXPECT_STREQ(toString(PinMaterialType::dullSilver), "dullSilver");
    for (const char* text : {"", "LeadLess", "leadless", " jLead", "jLead "})
        EXPECT_FALSE(pinLeadTypeFromString(text).has_value()) << text;
    for (const char* text : {"e96", "E6", "None"})
        EXPECT_FALSE(eSeriesFromString(text).has_value()) << text;
}

} // namespace
