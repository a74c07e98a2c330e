#include "core/Gzip.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using namespace std::literals;

namespace {

// An element with one attribute "v" holding the text.
pugi::xml_document withValue(const std::string& text)
{
    pugi::xml_document doc;
    doc.append_child("e").append_attribute("v").set_value(text.c_str());
    return doc;
}

// Readers of every kind over the same texts, for the locale comparison.
QByteArray readAll()
{
    QByteArray out;
    for (const char* text : {"0.1", "0,5", "-1.25e2", "1.5", "255,128,0", "3,4", "7,8,9", "12"}) {
        const pugi::xml_document doc = withValue(text);
        const pugi::xml_node e = doc.first_child();
        out += QByteArray::number(readFloatAttribute(e, "v", -1), 'g', 17) + " "
            + QByteArray::number(readDoubleAttribute(e, "v", -1), 'g', 17) + " "
            + QByteArray::number(readIntAttribute(e, "v", -1)) + " "
            + readColorAttribute(e, "v", Qt::transparent).name(QColor::HexArgb).toLatin1() + " "
            + QByteArray::number(readPointAttribute(e, "v", {}).y(), 'g', 17) + " "
            + QByteArray::number(readVector3Attribute(e, "v", {}).z, 'g', 17) + "\n";
    }
    return out;
}

} // namespace

TEST(Readers, FloatsAreSinglePrecisionWidenedAndDoublesAreNot)
{
    EXPECT_EQ(double(*parseFloat("0.1")), 0.10000000149011612);
    EXPECT_EQ(*parseDouble("0.1"), 0.1);
    const pugi::xml_document doc = withValue("0.05");
    EXPECT_EQ(readFloatAttribute(doc.first_child(), "v", 0), 0.05000000074505806);
    EXPECT_EQ(readDoubleAttribute(doc.first_child(), "v", 0), 0.05);
    EXPECT_EQ(readFloatAttribute(doc.first_child(), "missing", 2.5), 2.5);
    for (const char* ok : {"+2.5", "-2.5", "2.", ".5", "1e3", "1E-3", "-0"})
        EXPECT_TRUE(parseFloat(ok) && parseDouble(ok)) << ok;
    EXPECT_EQ(*parseFloat("-1.25e2"), -125.0f);
    EXPECT_EQ(*parseFloat("1e-50"), 0.0f); // underflow reads as zero, as strtof gives it
    // Plain decimals, about the 2^24 digits and ten decimals where the short
    // way ends, read as the C library reads them.
    std::vector<std::string> texts = {"16777216", "16777217", "1677721.7", "0.16777217", "-0", "-0.0", "007.50",
        "0.0000000001", "0.00000000001", "9.999999999", "123456.7891", "3.4028235", "000000001.5", "0000000001.5",
        "123456789", "-000000000", "0.00000000000000000000001", "999999999.99999999999", "1.0000000001"};
    uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const std::string digits = std::to_string((seed >> 20) % 40000000);
        const size_t point = (seed >> 8) % (digits.size() + 1);
        std::string t = (seed & 1 ? "-" : "") + digits.substr(0, point);
        if (point < digits.size())
            t += (point ? "." : "0.") + digits.substr(point);
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        const std::optional<float> v = parseFloat(t);
        ASSERT_TRUE(v) << t;
        const float expected = std::strtof(t.c_str(), nullptr);
        EXPECT_EQ(std::bit_cast<uint32_t>(*v), std::bit_cast<uint32_t>(expected)) << t;
    }
}

TEST(Readers, NumbersMustBeTheWholeTextAndFinite)
{
    const std::string_view withNul("1\0", 2);
    for (std::string_view bad : {""sv, " 1"sv, "\t1"sv, "\n1"sv, "\v1"sv, "\f1"sv, "\r1"sv, "1 "sv, "1x"sv, "1,5"sv,
             "--1"sv, "e5"sv, "."sv, "nan"sv, "NAN"sv, "inf"sv, "-inf"sv, "infinity"sv, "1e999"sv, withNul}) {
        EXPECT_FALSE(parseFloat(bad)) << bad;
        EXPECT_FALSE(parseDouble(bad)) << bad;
    }
    EXPECT_FALSE(parseFloat("1e300"));
    EXPECT_EQ(*parseDouble("1e300"), 1e300);
    const pugi::xml_document doc = withValue("nan");
    EXPECT_EQ(readDoubleAttribute(doc.first_child(), "v", 3), 3);
}

TEST(Readers, IntegersTakeOneSignAndDigitsWithinRange)
{
    EXPECT_EQ(parseInt("0"), 0);
    EXPECT_EQ(parseInt("+42"), 42);
    EXPECT_EQ(parseInt("-42"), -42);
    EXPECT_EQ(parseInt("007"), 7);
    EXPECT_EQ(parseInt("9223372036854775807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(parseInt("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    for (const char* bad : {"", "+", "-", "+-1", "-+1", " 1", "1 ", "1.0", "1e3", "0x10", "a", "9223372036854775808",
             "-9223372036854775809", "99999999999999999999"})
        EXPECT_FALSE(parseInt(bad)) << bad;

    pugi::xml_document doc = parseXml(R"(<e big="2147483648" low="-2147483648" id="17" bad="1.5"/>)");
    const pugi::xml_node e = doc.first_child();
    EXPECT_EQ(readInt32Attribute(e, "big", 5), 5);
    EXPECT_EQ(readInt32Attribute(e, "low", 5), std::numeric_limits<int>::min());
    EXPECT_EQ(readIntAttribute(e, "big", 5), 2147483648);
    EXPECT_EQ(readIntAttribute(e, "bad", 5), 5);
    EXPECT_EQ(readIntAttribute(e, "missing", 5), 5);
    EXPECT_EQ(readIdAttribute(e, "id", Id{3}), Id{17});
    EXPECT_EQ(readIdAttribute(e, "bad", Id{3}), Id{3});
}

TEST(Readers, ColoursHaveThreeOrFourIntegerComponents)
{
    EXPECT_EQ(parseColor("255,0,0"), QColor(255, 0, 0));
    EXPECT_EQ(parseColor("128,10,20,30"), QColor(10, 20, 30, 128));
    EXPECT_FLOAT_EQ(parseColor("128,10,20,30")->alphaF(), 128.0f / 255.0f);
    EXPECT_EQ(parseColor("0,0,0,0")->alpha(), 0);
    // Every component value gives the colour of value / 255 in floating point.
    for (int v = 0; v < 256; ++v) {
        const std::string text = std::to_string(v) + ",0," + std::to_string(v) + "," + std::to_string(255 - v);
        const float f = float(v) / 255.0f;
        EXPECT_EQ(parseColor(text), QColor::fromRgbF(0, f, float(255 - v) / 255.0f, f)) << text;
    }
    for (const char* bad : {"", "1,2", "1,2,3,4,5", "256,0,0", "-1,0,0", "1.5,0,0", "1,,3", "1, 2, 3", " 1,2,3",
             "1,2,3,", "a,b,c", "1e2,0,0"})
        EXPECT_FALSE(parseColor(bad)) << bad;
    const pugi::xml_document doc = withValue("1,2,x");
    EXPECT_EQ(readColorAttribute(doc.first_child(), "v", Qt::blue), QColor(Qt::blue));
    EXPECT_EQ(readColorAttribute(doc.first_child(), "missing", Qt::green), QColor(Qt::green));
}

TEST(Readers, PointsSizesAndVectorsNeedEveryReadablePart)
{
    const QPointF p0(-1, -1);
    auto point = [&](const char* text) { return readPointAttribute(withValue(text).first_child(), "v", p0); };
    EXPECT_EQ(point("1.5,-2.5"), QPointF(1.5, -2.5));
    EXPECT_EQ(point("1,2,3"), QPointF(1, 2)); // later parts ignored
    EXPECT_EQ(point("0.1,0").x(), 0.10000000149011612);
    for (const char* bad : {"1", "", "1,", ",1", "1, 2", "1,x", "nan,1", "1;2", "1,2 ", "1x,2", "1,2x",
             "-,1", "1,-", "1.5.5,2", "1,,2"}) {
        EXPECT_EQ(point(bad), p0) << bad;
        EXPECT_FALSE(parsePoint(bad)) << bad;
    }
    // Forms other than plain decimals, and plain ones past the short way's
    // reach, read as each number by itself reads.
    EXPECT_EQ(point("+1,2e1"), QPointF(1, 20));
    EXPECT_EQ(point("1.,.5"), QPointF(1, 0.5));
    EXPECT_EQ(point("16777217,-0.00000000001"), QPointF(16777216, double(-1e-11f)));
    EXPECT_EQ(point("-0,5,x"), QPointF(-0.0, 5));
    EXPECT_EQ(point("0000000001.25,-000000002.00000000000000000000"), QPointF(1.25, -2));
    EXPECT_TRUE(std::signbit(point("-0,5").x()));
    uint64_t seed = 99;
    for (int i = 0; i < 2000; ++i) {
        std::string parts[2];
        for (std::string& part : parts) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            const std::string digits = std::to_string((seed >> 20) % 40000000);
            const size_t at = (seed >> 8) % (digits.size() + 1);
            part = (seed & 1 ? "-" : "") + digits.substr(0, at) + (at < digits.size() ? "." + digits.substr(at) : "");
        }
        const std::string text = parts[0] + "," + parts[1] + (i % 3 ? "" : ",7");
        const std::optional<QPointF> p = parsePoint(text);
        const std::optional<float> x = parseFloat(parts[0]), y = parseFloat(parts[1]);
        ASSERT_EQ(p.has_value(), x && y) << text;
        ASSERT_EQ(parsePoint(text.c_str()), p) << text;
        if (p) {
            EXPECT_EQ(std::bit_cast<uint64_t>(p->x()), std::bit_cast<uint64_t>(double(*x))) << text;
            EXPECT_EQ(std::bit_cast<uint64_t>(p->y()), std::bit_cast<uint64_t>(double(*y))) << text;
        }
    }

    const pugi::xml_document size = withValue("0.05,3");
    EXPECT_EQ(readSizeAttribute(size.first_child(), "v", {}), QSizeF(0.05000000074505806, 3));
    EXPECT_EQ(readSizeAttribute(size.first_child(), "missing", QSizeF(4, 5)), QSizeF(4, 5));

    const Vector3 v0{9, 9, 9};
    auto vector = [&](const char* text) { return readVector3Attribute(withValue(text).first_child(), "v", v0); };
    EXPECT_EQ(vector("1,2,3"), (Vector3{1, 2, 3}));
    EXPECT_EQ(vector("1,2,3,4"), (Vector3{1, 2, 3}));
    EXPECT_EQ(vector("1,2"), v0);
    EXPECT_EQ(vector("1,2,z"), v0);
}

TEST(Readers, RectangleReadsEachAttributeByItself)
{
    const QRectF defaults(1, 2, 3, 4);
    pugi::xml_document doc = parseXml(R"(<e x="0.5" width="-7" height=" 2"/>)");
    EXPECT_EQ(readRectAttribute(doc.first_child(), defaults), QRectF(0.5, 2, -7, 4));
    // A kept width or height is the default's magnitude.
    pugi::xml_document empty = parseXml("<e/>");
    EXPECT_EQ(readRectAttribute(empty.first_child(), QRectF(1, 2, -3, -4)), QRectF(1, 2, 3, 4));
}

TEST(Readers, FlagsStringsAndChildren)
{
    pugi::xml_document doc = parseXml(R"(<e yes="true" cap="True" one="1" empty="">)"
                                      R"(<a n="1"><b n="deep"/></a><!--c--><b n="2"/><b n="3"/></e>)");
    const pugi::xml_node e = doc.first_child();
    EXPECT_TRUE(readBoolAttribute(e, "yes", false));
    for (const char* name : {"cap", "one", "empty"})
        EXPECT_FALSE(readBoolAttribute(e, name, true)) << name;
    EXPECT_TRUE(readBoolAttribute(e, "missing", true));
    EXPECT_EQ(readStringAttribute(e, "empty"), ""s);
    EXPECT_FALSE(readStringAttribute(e, "missing"));
    EXPECT_EQ(readStringAttribute(e, "missing", "d"), "d");
    EXPECT_EQ(childElement(e, "b").attribute("n").value(), "2"s);
    EXPECT_FALSE(childElement(e, "c"));
    EXPECT_FALSE(childElement(pugi::xml_node(), "b"));
}

TEST(Readers, TextAttributesReplaceTheFieldOnlyWhenPresent)
{
    pugi::xml_document doc = parseXml("<e empty=\"\" name=\"\xC2\xB5m &amp; \xE2\x84\xA6\"/>");
    const pugi::xml_node e = doc.first_child();
    EXPECT_EQ(readTextAttribute(e, "name", "kept"), QString::fromUtf8("\xC2\xB5m & \xE2\x84\xA6"));
    EXPECT_EQ(readTextAttribute(e, "empty", "kept"), QString());
    EXPECT_EQ(readTextAttribute(e, "missing", "kept"), QStringLiteral("kept"));
    EXPECT_EQ(readTextAttribute(pugi::xml_node(), "name", "kept"), QStringLiteral("kept"));
}

TEST(Readers, IndexedLookupsReadWhatPlainLookupsRead)
{
    // 40 attributes are more than the index takes; "a" twice: the first wins.
    std::string many = "<e";
    for (int i = 0; i < 40; ++i)
        many += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    many += "/>";
    pugi::xml_document doc = parseXml(R"(<r><e a="1.5" a="2" ab="3" ba="4" b="true" c="1,2"/><f a="7"/>)" + many + "</r>");
    const pugi::xml_node e = doc.first_child().first_child(), f = e.next_sibling(), big = f.next_sibling();
    auto readSome = [&] {
        std::string out;
        for (int round = 0; round < 2; ++round) {
            for (pugi::xml_node node : {e, f, big, pugi::xml_node()})
                for (const char* name : {"a", "ab", "ba", "b", "c", "", "n0", "n39", "n40", "missing"})
                    out += std::to_string(readDoubleAttribute(node, name, -1)) + (readBoolAttribute(node, name, false) ? "t" : "f")
                        + std::to_string(readPointAttribute(node, name, {}).y()) + (attributeValue(node, name) ? "+" : "-") + " ";
        }
        return out;
    };
    const std::string plain = readSome();
    std::string indexed;
    {
        const AttributeIndexScope scope;
        const AttributeIndexScope nested;
        indexed = readSome();
    }
    EXPECT_EQ(indexed, plain);
    EXPECT_NE(plain.find("1.500000f"), std::string::npos);
    EXPECT_EQ(readSome(), plain); // and again once the scopes have ended
}

TEST(Readers, ReadingIgnoresADecimalCommaLocale)
{
    const QByteArray before = readAll();
    const std::string oldLocale = std::setlocale(LC_ALL, nullptr);
    const QByteArray oldLocPath = qgetenv("LOCPATH");

    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "de_DE"};
    auto useCommaLocale = [&] {
        for (const char* name : candidates)
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == ","s)
                return true;
        return false;
    };
    // Machines often have no locale but C; build one from the locale sources
    // when they are there.
    QTemporaryDir generated;
    bool found = useCommaLocale();
    if (!found && generated.isValid() && QFile::exists("/usr/share/i18n/locales/de_DE")) {
        const int rc = QProcess::execute("localedef", {"--no-archive", "-i", "de_DE", "-f", "UTF-8",
                                                          generated.filePath("de_DE.UTF-8")});
        if (rc == 0 || QDir(generated.filePath("de_DE.UTF-8")).exists("LC_NUMERIC")) {
            qputenv("LOCPATH", generated.path().toLocal8Bit());
            found = useCommaLocale();
        }
    }
    if (!found) {
        std::setlocale(LC_ALL, oldLocale.c_str());
        GTEST_SKIP() << "no locale with a decimal comma on this machine (package locales)";
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_EQ(std::strtod("0,5", nullptr), 0.5); // the locale really is in force

    const QByteArray during = readAll();

    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, oldLocale.c_str());
    if (oldLocPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", oldLocPath);
    EXPECT_EQ(during, before);
    EXPECT_TRUE(before.startsWith("0.10000000149011612 0.10000000000000001 -1 "));
}

namespace {

QImage testImage()
{
    QImage image(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 50, y * 100, 200, 100 + x * 30));
    return image;
}

QByteArray pngBytes()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    testImage().save(&buffer, "PNG");
    return png;
}

// An element holding a "bitmap" child with the given size and text.
pugi::xml_document bitmapElement(const std::string& size, const QByteArray& text)
{
    return parseXml("<picture><bitmap size=\"" + size + "\">" + text.toStdString() + "</bitmap></picture>");
}

QImage readBitmap(const std::string& size, const QByteArray& text, const QImage& fallback)
{
    const pugi::xml_document doc = bitmapElement(size, text);
    return readBitmapData(doc.first_child(), "bitmap", fallback);
}

} // namespace

TEST(Readers, BitmapDataDecodesGzipAndZlibImages)
{
    const QImage fallback(1, 1, QImage::Format_RGB32);
    const QByteArray gz = gzipDeflate(pngBytes()).toBase64();
    const QImage fromGzip = readBitmap("120", gz, fallback);
    ASSERT_EQ(fromGzip.size(), QSize(5, 3));
    EXPECT_EQ(fromGzip.convertToFormat(QImage::Format_ARGB32), testImage());

    const QImage fromZlib = readBitmap("1", qCompress(pngBytes()).mid(4).toBase64(), fallback);
    EXPECT_EQ(fromZlib.convertToFormat(QImage::Format_ARGB32), testImage());
}

TEST(Readers, BitmapDataFailuresGiveTheDefault)
{
    QImage fallback(2, 2, QImage::Format_RGB32);
    fallback.fill(Qt::red);
    const QByteArray good = gzipDeflate(pngBytes()).toBase64();
    QByteArray wrapped = good;
    wrapped[8] = '\n';
    QByteArray corrupt = gzipDeflate(pngBytes());
    corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 0xff);

    const std::pair<std::string, QByteArray> cases[] = {
        {"0", good},
        {"-4", good},
        {"x", good},
        {"10", ""},
        {"10", "*" + good.mid(1)},
        {"10", wrapped},
        {"10", " " + good.mid(1)},
        {"10", good.left(8) + "====" + good.mid(12)},
        {"10", good.chopped(1)},
        {"10", corrupt.toBase64()},
        {"10", pngBytes().toBase64()}, // not compressed
        {"10", gzipDeflate("not an image").toBase64()},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(readBitmap(size, text, fallback), fallback) << size << " " << text.left(20).constData();

    const pugi::xml_document noSize = parseXml("<p><bitmap>" + good.toStdString() + "</bitmap></p>");
    EXPECT_EQ(readBitmapData(noSize.first_child(), "bitmap", fallback), fallback);
    EXPECT_EQ(readBitmapData(noSize.first_child(), "other", fallback), fallback);
}

TEST(ReadWorkers, MarkedPartsTakeEveryItemOnceInPartsOfOneMark)
{
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    // Runs of marks longer and shorter than a part, a lone item, and items
    // of no thread in particular.
    std::vector<ReadWorkers::ThreadMark> marks;
    for (int run = 0; run < 60; ++run)
        marks.insert(marks.end(), size_t(run % 7 == 3 ? 1 : 5 + run * 3 % 40),
                     run % 5 == 4 ? ReadWorkers::kAnyThread : ReadWorkers::ThreadMark(run % 3));
    const size_t parts = ReadWorkers::markedPartCount(marks, 16);
    for (int threads : {1, 4}) {
        ReadWorkers::setThreads(threads);
        std::vector<std::atomic<int>> taken(marks.size()), partsSeen(parts);
        ReadWorkers::forEachMarkedPart(marks, 16, [&](size_t part, size_t begin, size_t end) {
            ASSERT_LT(part, parts);
            ++partsSeen[part];
            ASSERT_LT(begin, end);
            ASSERT_LE(end - begin, 16u);
            for (size_t i = begin; i < end; ++i) {
                ++taken[i];
                EXPECT_EQ(marks[i], marks[begin]);
            }
        });
        for (size_t i = 0; i < marks.size(); ++i)
            ASSERT_EQ(taken[i], 1) << i << " on " << threads;
        for (size_t p = 0; p < parts; ++p)
            ASSERT_EQ(partsSeen[p], 1) << p;
        // A part's failure reaches the caller once every part has ended.
        std::atomic<int> running{0};
        EXPECT_THROW(ReadWorkers::forEachMarkedPart(marks, 16, [&](size_t part, size_t, size_t) {
            ++running;
            if (part == parts / 2)
                throw std::runtime_error("part");
            --running;
        }), std::runtime_error);
        EXPECT_EQ(running, 1);
    }
    EXPECT_EQ(ReadWorkers::markedPartCount({}, 16), 0u);
    ReadWorkers::forEachMarkedPart({}, 16, [](size_t, size_t, size_t) { ADD_FAILURE(); });
}

TEST(ReadWorkers, CallsNestedInPartsTakeEveryItemOnceAndFailOnTheirOwn)
{
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    // Outer parts that each make a call of their own, two levels deep; the
    // threads between outer parts take nested parts too. One nested part
    // fails: its caller alone sees it.
    for (int threads : {1, 4}) {
        ReadWorkers::setThreads(threads);
        constexpr size_t kOuter = 40, kInner = 100, kInnermost = 20;
        std::vector<std::atomic<int>> taken(kOuter * kInner * kInnermost);
        std::vector<int> failures(kOuter);
        const auto call = [&](size_t outer) {
            ReadWorkers::forEachPart(kInner, 7, [&](size_t begin, size_t end) {
                for (size_t inner = begin; inner < end; ++inner) {
                    if (outer == 13 && inner == 50)
                        throw std::runtime_error("nested");
                    const size_t base = (outer * kInner + inner) * kInnermost;
                    ReadWorkers::forEachPart(kInnermost, 3, [&](size_t b, size_t e) {
                        for (size_t i = b; i < e; ++i)
                            ++taken[base + i];
                    });
                }
            });
        };
        ReadWorkers::forEachPart(kOuter, 1, [&](size_t begin, size_t end) {
            for (size_t outer = begin; outer < end; ++outer) {
                try {
                    call(outer);
                } catch (const std::runtime_error&) {
                    ++failures[outer];
                }
            }
        });
        for (size_t outer = 0; outer < kOuter; ++outer) {
            EXPECT_EQ(failures[outer], outer == 13 ? 1 : 0) << outer;
            if (outer == 13)
                continue; // the failed call's later parts may be skipped
            for (size_t i = outer * kInner * kInnermost; i < (outer + 1) * kInner * kInnermost; ++i)
                ASSERT_EQ(taken[i], 1) << i << " on " << threads;
        }
    }
}

TEST(ReadWorkers, AStoppedReadSkipsThePartsLeftWhereverTheyRunAndNothingElse)
{
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    ReadWorkers::setThreads(4);
    std::atomic<bool> stop{false};
    {
        const ReadWorkers::StopScope scope(&stop);
        // Stopped in the middle: parts begun after it see it, on any thread,
        // nested calls included; the caller gets Stopped.
        std::atomic<int> ran{0}, ranAfter{0};
        EXPECT_THROW(ReadWorkers::forEachPart(400, 1, [&](size_t begin, size_t) {
            ++ran;
            if (begin == 10)
                stop = true;
            if (stop) {
                ++ranAfter;
                ReadWorkers::forEachPart(8, 1, [&](size_t, size_t) { ADD_FAILURE() << "nested part after the stop"; });
            }
        }), ReadWorkers::Stopped);
        EXPECT_LT(ran, 400);
        EXPECT_LE(ranAfter, 4) << "parts begun after the stop";
        EXPECT_TRUE(ReadWorkers::stopRequested());
        EXPECT_THROW(ReadWorkers::forEachMarkedPart({0, 0, 1, 1}, 1, [](size_t, size_t, size_t) { ADD_FAILURE(); }),
                     ReadWorkers::Stopped);
        // What runs under a scope of its own (a release, a frame helped) goes on.
        const ReadWorkers::StopScope unstoppable(nullptr);
        std::atomic<size_t> released{0};
        ReadWorkers::forEachPart(100, 1, [&](size_t begin, size_t end) { released += end - begin; });
        EXPECT_EQ(released, 100u);
        EXPECT_NO_THROW(ReadWorkers::throwIfStopped());
    }
    EXPECT_FALSE(ReadWorkers::stopRequested());
}
