#include "core/art/ArtCardBackIndex.h"
#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"

#include <gtest/gtest.h>

#include <random>

using namespace vantry;

namespace {

// The rule as stated: every entry against every line.
bool nameOnLine(const QString& name, const QString& line)
{
    const QString face = ArtCardBack::singleFaceName(name);
    if (face.trimmed().isEmpty())
        return false;
    if (significantWords(face).isEmpty())
        return line.toLower().contains(face.toLower());
    return !significantWords(line).isEmpty() && titlesAgree(face, line);
}

ArtCardBackResolution everyEntryWithEveryLine(const ArtCardBackRead& read, const std::vector<ArtCardEntry>& entries)
{
    ArtCardBackResolution out;
    for (const ArtCardEntry& entry : entries) {
        const bool number =
            read.collectorNumber && *read.collectorNumber == normalizeCollectorNumber(entry.collectorNumber);
        const bool name = std::any_of(read.lines.begin(), read.lines.end(),
                                      [&](const QString& line) { return nameOnLine(entry.name, line); });
        if (number && name)
            out.exact.push_back(entry);
        else if (name)
            out.nameMatches.push_back(entry);
        else if (number)
            out.collectorMatches.push_back(entry);
    }
    return out;
}

// Words with their near misses: a letter changed, dropped or added at either end or in the
// middle, prefixes, short words, accents, digits and a character outside the BMP.
const QStringList vocabulary{
    "goblin",  "goblins", "gobin",   "goblan",  "xoblin",  "oblin",  "gobli",   "guide",   "guido",  "glide",
    "lightning", "lightnin", "ligthning", "bolt", "bolts", "helix", "dragon", "dragoon", "drag", "ox",
    "elf",     "the",     "of",      "æther",   "aether",  "jötun",  "JÖTUN",   "1996",    "19966",  "lim-dûl's",
    "series",  "art",     "wizards", "coast",   "storm",   "storms", "crow",    "crown",   "🐉drake", "drake",
};

QString phrase(std::mt19937& rng, int maxWords)
{
    std::uniform_int_distribution<int> count(1, maxWords);
    std::uniform_int_distribution<int> pick(0, int(vocabulary.size()) - 1);
    QStringList words;
    for (int n = count(rng); n > 0; --n) {
        QString word = vocabulary[pick(rng)];
        if (rng() % 3 == 0)
            word = word.toUpper();
        else if (rng() % 2 == 0)
            word[0] = word[0].toUpper();
        words << word;
    }
    return words.join(rng() % 5 == 0 ? QStringLiteral(", ") : QStringLiteral(" "));
}

std::string summary(const ArtCardBackResolution& resolution)
{
    QStringList parts;
    for (const auto* list : {&resolution.exact, &resolution.nameMatches, &resolution.collectorMatches}) {
        QStringList ids;
        for (const ArtCardEntry& entry : *list)
            ids << entry.scryfallId;
        parts << ids.join(u',');
    }
    return parts.join(u'|').toStdString();
}

} // namespace

// The prepared index finds exactly what comparing every entry with every line finds, in
// the same order, for names and lines made of words that agree only nearly.
TEST(ArtCardBackIndex, ResolvesExactlyLikeComparingEveryEntryWithEveryLine)
{
    std::mt19937 rng(7);
    std::vector<ArtCardEntry> entries;
    for (int i = 0; i < 800; ++i) {
        QString name = phrase(rng, 4);
        switch (rng() % 12) {
        case 0: name = name + QStringLiteral(" // ") + name; break;
        case 1: name = name + QStringLiteral(" // ") + phrase(rng, 2); break;
        case 2: name = rng() % 2 ? QString() : QStringLiteral("  "); break;
        default: break;
        }
        entries.push_back({QString::number(i), name, QStringLiteral("AMH1"), QString::number(rng() % 40).rightJustified(
                                                                                  int(rng() % 3) + 1, u'0'),
                           {}});
    }
    const ArtCardBackIndex index(entries);

    int found = 0;
    for (int r = 0; r < 150; ++r) {
        ArtCardBackRead read;
        if (rng() % 4 != 0)
            read.collectorNumber = QString::number(rng() % 40);
        for (int n = int(rng() % 6); n > 0; --n)
            read.lines << phrase(rng, 5);
        const auto expected = everyEntryWithEveryLine(read, entries);
        const auto resolution = index.resolve(read);
        ASSERT_EQ(summary(resolution), summary(expected)) << read.lines.join(u'|').toStdString();
        ASSERT_EQ(resolution, expected);
        found += int(expected.exact.size() + expected.nameMatches.size());
    }
    // The reads do find names, so the comparison above is not between empty lists.
    EXPECT_GT(found, 300);
    EXPECT_EQ(ArtCardBackIndex(std::vector<ArtCardEntry>{}).resolve({"3", {"Goblin Guide"}}), ArtCardBackResolution{});
}
