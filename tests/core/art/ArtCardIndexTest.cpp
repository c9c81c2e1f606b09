#include "core/art/ArtCardIndex.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vantry;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray floatBytes(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    return bytes({int(bits & 0xff), int((bits >> 8) & 0xff), int((bits >> 16) & 0xff), int(bits >> 24)});
}

QByteArray header(int version, int revision, quint32 dimension, quint32 count)
{
    QByteArray out("VYAC");
    out += bytes({version & 0xff, version >> 8, revision & 0xff, revision >> 8});
    for (quint32 v : {dimension, count})
        out += bytes({int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff), int(v >> 24)});
    return out;
}

QByteArray field(const QByteArray& utf8)
{
    return bytes({int(utf8.size() & 0xff), int(utf8.size() >> 8)}) + utf8;
}

// One entry "a"/"Ox"/"" /"7" with the given floats.
QByteArray entry(std::initializer_list<float> vector, const QByteArray& name = "Ox")
{
    QByteArray out = field("a") + field(name) + field("") + field("7");
    for (float f : vector)
        out += floatBytes(f);
    return out;
}

ArtCardEntry makeEntry(QString id, std::vector<float> vector)
{
    return {id, QStringLiteral("Name ") + id, QStringLiteral("ASET"), QStringLiteral("1"), std::move(vector)};
}

} // namespace

TEST(ArtCardIndex, EncodesTheExactLittleEndianLayout)
{
    ArtCardIndex index;
    index.revision = 2;
    index.dimension = 2;
    index.entries = {{QStringLiteral("id-1"), QStringLiteral("Æther Vial"), QStringLiteral("AMH1"), QStringLiteral("12"),
                      {1.0f, -0.5f}},
                     {QString(), QStringLiteral("X"), QStringLiteral("S"), QString(), {0.25f}}};

    QByteArray expected = bytes({'V', 'Y', 'A', 'C', 1, 0, 2, 0, 2, 0, 0, 0, 2, 0, 0, 0});
    expected += bytes({4, 0}) + "id-1";
    expected += bytes({11, 0}) + QByteArray("\xc3\x86ther Vial");
    expected += bytes({4, 0}) + "AMH1";
    expected += bytes({2, 0}) + "12";
    expected += bytes({0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0xbf});
    expected += bytes({0, 0, 1, 0}) + "X" + bytes({1, 0}) + "S" + bytes({0, 0});
    // The short vector is padded with 0.0 to the dimension.
    expected += bytes({0x00, 0x00, 0x80, 0x3e, 0, 0, 0, 0});
    EXPECT_EQ(index.encoded().toHex(' '), expected.toHex(' '));

    const auto back = ArtCardIndex::fromData(index.encoded());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->revision, 2);
    EXPECT_EQ(back->dimension, 2);
    ASSERT_EQ(back->entries.size(), 2u);
    EXPECT_EQ(back->entries[0], index.entries[0]);
    EXPECT_EQ(back->entries[1].vector, (std::vector<float>{0.25f, 0.0f}));
}

TEST(ArtCardIndex, WriterClampsHeaderValuesAndCutsLongFields)
{
    ArtCardIndex index;
    index.revision = 70000;
    index.dimension = 1;
    // 70,000 bytes of multi-byte text: cut below 65,536 bytes on a character boundary.
    index.entries = {{QString(35000, QChar(0x00e9)), QStringLiteral("n"), QStringLiteral("s"), QStringLiteral("c"),
                      {1.0f, 2.0f, 3.0f}}};
    const QByteArray data = index.encoded();
    EXPECT_EQ(data.mid(6, 2), bytes({0xff, 0xff}));
    const auto back = ArtCardIndex::fromData(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->revision, 65535);
    EXPECT_EQ(back->entries[0].scryfallId, QString(32767, QChar(0x00e9)));
    EXPECT_EQ(back->entries[0].vector, std::vector<float>{1.0f});
}

TEST(ArtCardIndex, ReaderRejectsDamagedFiles)
{
    const QByteArray good = header(1, 2, 2, 1) + entry({1.0f, 2.0f});
    ASSERT_TRUE(ArtCardIndex::fromData(good));

    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"three bytes", QByteArray("VYA")},
        {"bad signature", QByteArray("VYAD") + good.mid(4)},
        {"header cut in the count", good.left(14)},
        {"string length past the end", header(1, 2, 2, 1) + bytes({1, 0}) + "a" + bytes({200, 0}) + "Ox"},
        {"invalid UTF-8 byte", header(1, 2, 2, 1) + entry({1.0f, 2.0f}, QByteArray("\xff"))},
        {"overlong UTF-8", header(1, 2, 2, 1) + entry({1.0f, 2.0f}, QByteArray("\xc0\xaf"))},
        {"truncated UTF-8 sequence", header(1, 2, 2, 1) + entry({1.0f, 2.0f}, QByteArray("\xe2\x82"))},
        {"UTF-8 surrogate", header(1, 2, 2, 1) + entry({1.0f, 2.0f}, QByteArray("\xed\xa0\x80"))},
        {"vector one float short", good.left(good.size() - 4)},
        {"vector cut inside a float", good.left(good.size() - 1)},
        {"second entry missing", header(1, 2, 2, 2) + entry({1.0f, 2.0f})},
        // A hostile header must fail on the missing bytes, not by allocating for them.
        {"huge count and dimension", header(1, 2, 0xffffffffu, 0xffffffffu) + entry({1.0f})},
        {"huge count, no dimension", header(1, 2, 0, 0xffffffffu) + entry({})},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ArtCardIndex::fromData(c.data)) << c.what;
}

TEST(ArtCardIndex, ReaderAcceptsAnyVersionTrailingBytesAndEmptyIndexes)
{
    const struct {
        const char* what;
        QByteArray data;
        int revision;
        std::size_t entries;
    } cases[] = {
        {"format version 0xbeef", header(0xbeef, 2, 2, 1) + entry({1.0f, 2.0f}), 2, 1},
        {"trailing bytes", header(1, 2, 2, 1) + entry({1.0f, 2.0f}) + "garbage", 2, 1},
        {"no entries", header(1, 3, 768, 0), 3, 0},
        {"no entries, trailing bytes", header(1, 2, 768, 0) + "xyz", 2, 0},
        {"empty strings", header(1, 2, 1, 1) + bytes({0, 0, 0, 0, 0, 0, 0, 0}) + floatBytes(0.5f), 2, 1},
        {"leading BOM kept as text", header(1, 2, 1, 1) + entry({1.0f}, QByteArray("\xef\xbb\xbfX")), 2, 1},
    };
    for (const auto& c : cases) {
        const auto index = ArtCardIndex::fromData(c.data);
        ASSERT_TRUE(index) << c.what;
        EXPECT_EQ(index->revision, c.revision) << c.what;
        EXPECT_EQ(index->entries.size(), c.entries) << c.what;
    }
    const auto bom = ArtCardIndex::fromData(header(1, 2, 1, 1) + entry({1.0f}, QByteArray("\xef\xbb\xbfX")));
    EXPECT_EQ(bom->entries[0].name, QStringLiteral("\ufeffX"));
}

TEST(ArtCardIndex, NearestKeepsDistancesUpToTheLimitClosestFirst)
{
    ArtCardIndex index;
    index.dimension = 2;
    index.entries = {makeEntry("far", {0.61f, 0}),   makeEntry("edge", {0.6f, 0}), makeEntry("a", {0.1f, 0}),
                     makeEntry("wrong-length", {0}), makeEntry("b", {0, 0.1f}),     makeEntry("c", {0.3f, 0})};

    const auto matches = index.nearest({0, 0}, 5, 0.6f);
    std::vector<QString> ids;
    for (const auto& m : matches)
        ids.push_back(m.entry.scryfallId);
    // Equal distances keep index order; 0.6 itself still matches, 0.61 does not.
    EXPECT_EQ(ids, (std::vector<QString>{"a", "b", "c", "edge"}));
    EXPECT_EQ(matches.back().distance, 0.6f);

    EXPECT_EQ(index.nearest({0, 0}, 2, 0.6f).size(), 2u);
    EXPECT_TRUE(index.nearest({0, 0}, 0, 0.6f).empty());
    EXPECT_TRUE(index.nearest({0, 0, 0}, 5, 0.6f).empty());
    const ArtCardIndex empty{2, 2, {}};
    EXPECT_TRUE(empty.nearest({0, 0}, 5, 0.6f).empty());
    // A larger radius reaches further.
    EXPECT_EQ(index.nearest({0, 0}, 10, 2.0f).size(), 5u);
}

TEST(ArtCardIndex, NearestIsExactOverLongVectors)
{
    // Long vectors go through the blocked sum and the early exit; distances must agree
    // with a plain double-precision computation.
    constexpr int dim = 200;
    ArtCardIndex index;
    index.dimension = dim;
    std::vector<float> query(dim);
    for (int i = 0; i < dim; ++i)
        query[i] = float(i % 7) * 0.01f;
    for (int e = 0; e < 6; ++e) {
        std::vector<float> v = query;
        for (int i = 0; i < dim; ++i)
            v[i] += float(e) * 0.004f * float((i * 31 + e) % 5);
        index.entries.push_back(makeEntry(QString::number(e), v));
    }
    const auto matches = index.nearest(query, 10, 0.5f);
    ASSERT_FALSE(matches.empty());
    for (const auto& m : matches) {
        double sum = 0;
        for (int i = 0; i < dim; ++i)
            sum += double(query[i] - m.entry.vector[i]) * double(query[i] - m.entry.vector[i]);
        EXPECT_NEAR(m.distance, std::sqrt(sum), 1e-5) << m.entry.scryfallId.toStdString();
        EXPECT_LE(m.distance, 0.5f);
    }
    // Entries outside the radius are left out, including those dropped early.
    const auto all = index.nearest(query, 10, 100.0f);
    EXPECT_EQ(all.size(), 6u);
    EXPECT_LT(matches.size(), all.size());
}

TEST(ArtCardIndex, AcrossRotationsKeepsEachPrintsBestDistance)
{
    ArtCardIndex index;
    index.dimension = 1;
    index.entries = {makeEntry("p", {0.0f}), makeEntry("q", {1.0f})};

    // p lies 0.30 from the first query and 0.25 from the second; q 0.2 from the second.
    const auto matches = index.nearestAcrossRotations({{0.30f}, {-0.25f}, {0.8f}}, 5, 0.6f);
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].entry.scryfallId, "q");
    EXPECT_NEAR(matches[0].distance, 0.2f, 1e-6);
    EXPECT_EQ(matches[1].entry.scryfallId, "p");
    EXPECT_EQ(matches[1].distance, 0.25f);

    EXPECT_TRUE(index.nearestAcrossRotations({{0.0f}}, 0, 0.6f).empty());
    EXPECT_EQ(index.nearestAcrossRotations({{0.0f}, {1.0f}}, 1, 0.6f).size(), 1u);

    // Different prints at the same distance come out in first-seen order, every time.
    ArtCardIndex twins;
    twins.dimension = 1;
    twins.entries = {makeEntry("left", {-0.5f}), makeEntry("right", {0.5f})};
    for (int run = 0; run < 3; ++run) {
        const auto tie = twins.nearestAcrossRotations({{0.0f}}, 5, 0.6f);
        ASSERT_EQ(tie.size(), 2u);
        EXPECT_EQ(tie[0].entry.scryfallId, "left");
    }
}

TEST(ArtCardIndex, KeepsTheFiveClosestOfSeven)
{
    ArtCardIndex index;
    index.dimension = 1;
    for (int i = 7; i >= 1; --i)
        index.entries.push_back(makeEntry(QString::number(i), {float(i) * 0.05f}));
    const auto matches = index.nearestAcrossRotations({{0.0f}}, 5, 0.6f);
    std::vector<QString> ids;
    for (const auto& m : matches)
        ids.push_back(m.entry.scryfallId);
    EXPECT_EQ(ids, (std::vector<QString>{"1", "2", "3", "4", "5"}));
}
