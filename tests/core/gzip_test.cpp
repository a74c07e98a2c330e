#include "core/Gzip.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QByteArray sampleText()
{
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "<vertex at=\"" + QByteArray::number(i) + ",0.5\"/>\n";
    return text;
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator rng(7);
    for (char& c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

} // namespace

TEST(Gzip, RoundTripsEmptyTextAndIncompressibleData)
{
    for (const QByteArray& original : {QByteArray(), sampleText(), randomBytes(300000)}) {
        const QByteArray packed = gzipDeflate(original);
        EXPECT_TRUE(looksGzip(packed));
        const std::optional<QByteArray> unpacked = gzipInflate(packed, kDesignInflateLimit);
        ASSERT_TRUE(unpacked);
        EXPECT_EQ(*unpacked, original);
    }
}

TEST(Gzip, DetectsZlibHeaderToo)
{
    // qCompress writes a 4-byte length, then a zlib stream.
    const QByteArray zlibStream = qCompress(sampleText()).mid(4);
    EXPECT_FALSE(looksGzip(zlibStream));
    const std::optional<QByteArray> unpacked = gzipInflate(zlibStream, kDesignInflateLimit);
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(*unpacked, sampleText());
}

TEST(Gzip, RejectsMissingHeaderTruncatedAndCorruptData)
{
    const QByteArray packed = gzipDeflate(sampleText());
    EXPECT_FALSE(gzipInflate(QByteArray(), kDesignInflateLimit));
    EXPECT_FALSE(gzipInflate(sampleText(), kDesignInflateLimit));
    EXPECT_FALSE(gzipInflate(packed.left(packed.size() - 1), kDesignInflateLimit)); // trailer cut
    EXPECT_FALSE(gzipInflate(packed.left(packed.size() / 2), kDesignInflateLimit));
    EXPECT_FALSE(gzipInflate(packed.left(5), kDesignInflateLimit));
    QByteArray badCrc = packed;
    badCrc[badCrc.size() - 6] = char(badCrc[badCrc.size() - 6] ^ 0x55);
    EXPECT_FALSE(gzipInflate(badCrc, kDesignInflateLimit));
    QByteArray badData = packed;
    for (int i = 20; i < 40; ++i)
        badData[i] = char(0xff);
    EXPECT_FALSE(gzipInflate(badData, kDesignInflateLimit));
}

TEST(Gzip, CapsTheInflatedSize)
{
    const QByteArray zeros(8 * 1024 * 1024, '\0');
    const QByteArray bomb = gzipDeflate(zeros);
    ASSERT_LT(bomb.size(), 64 * 1024);
    EXPECT_FALSE(gzipInflate(bomb, 1024 * 1024));
    EXPECT_FALSE(gzipInflate(bomb, size_t(zeros.size()) - 1));
    const std::optional<QByteArray> exact = gzipInflate(bomb, size_t(zeros.size()));
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->size(), zeros.size());
    EXPECT_FALSE(gzipInflate(gzipDeflate("x"), 0));
    EXPECT_TRUE(gzipInflate(gzipDeflate(QByteArray()), 0));
}

TEST(Gzip, ReadsConcatenatedMembersAndIgnoresTrailingJunk)
{
    const QByteArray two = gzipDeflate("first ") + gzipDeflate("second");
    EXPECT_EQ(gzipInflate(two, 100), QByteArray("first second"));
    EXPECT_FALSE(gzipInflate(two, 11)); // the cap counts every member
    EXPECT_EQ(gzipInflate(gzipDeflate("body") + QByteArray(16, '\0'), 100), QByteArray("body"));
    // Something that claims to be another member must be one.
    EXPECT_FALSE(gzipInflate(gzipDeflate("body") + "\x1f\x8b junk", 100));
    // The stated size of the last member is only a first guess at the room.
    QByteArray large(300 * 1024, 'a');
    large[1000] = 'z';
    EXPECT_EQ(gzipInflate(gzipDeflate(large) + gzipDeflate("b"), kDesignInflateLimit), large + "b");
}
