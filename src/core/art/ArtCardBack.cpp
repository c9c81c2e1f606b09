#include "core/art/ArtCardBack.h"

#include "core/art/ArtCardBackIndex.h"
#include "core/reading/CollectorMatching.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace vantry::ArtCardBack {

namespace {

qsizetype graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

bool hasLetter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

Candidate candidate(const ArtCardEntry& entry, double score, ScanFinish finish)
{
    Candidate c;
    c.scryfallId = entry.scryfallId;
    c.name = entry.name;
    c.setCode = entry.setCode;
    c.collectorNumber = entry.collectorNumber;
    c.finish = finish;
    c.score = score;
    c.isArtSeries = true;
    c.artSeriesVariant = ArtSeriesVariant::plain;
    return c;
}

bool listed(const std::vector<ArtCardEntry>& entries, const QString& id)
{
    return std::any_of(entries.begin(), entries.end(), [&](const ArtCardEntry& e) { return e.scryfallId == id; });
}

constexpr std::size_t maxMerged = 8;

} // namespace

std::optional<QString> slashCollector(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(R"((?<![0-9])(\d{1,3})\s*/\s*(\d{1,3})(?![0-9]))"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    if (!pattern.isValid())
        return std::nullopt;
    auto it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        bool okN = false;
        bool okM = false;
        const int n = match.captured(1).toInt(&okN);
        const int m = match.captured(2).toInt(&okM);
        if (!okN || !okM)
            continue;
        if (n > 0 && n <= m)
            return normalizeCollectorNumber(match.captured(1));
    }
    return std::nullopt;
}

QString singleFaceName(const QString& name)
{
    const QStringList parts = name.split(QStringLiteral(" // "));
    if (parts.size() == 2 && parts[0] == parts[1])
        return parts[0];
    return name;
}

std::optional<ArtCardBackRead> parse(const std::vector<OCRLine>& lines)
{
    if (!sawMarker(lines))
        return std::nullopt;
    ArtCardBackRead read;
    for (const OCRLine& line : lines) {
        if (auto number = slashCollector(line.text)) {
            read.collectorNumber = number;
            break;
        }
    }
    for (const OCRLine& line : lines)
        if (hasLetter(line.text) && graphemeCount(line.text) > 2)
            read.lines << line.text;
    return read;
}

ArtCardBackResolution resolve(const ArtCardBackRead& read, const std::vector<ArtCardEntry>& entries)
{
    // Borrowed for the call only: the prepared tables are thrown away with the index.
    const std::shared_ptr<const std::vector<ArtCardEntry>> borrowed(std::shared_ptr<void>(), &entries);
    return ArtCardBackIndex(borrowed).resolve(read);
}

std::vector<Candidate> merge(const std::vector<Candidate>& visual, const std::optional<ArtCardBackResolution>& resolution,
                             ScanFinish finish)
{
    if (!resolution)
        return visual;
    if (resolution->exact.size() == 1) {
        auto merged = mergeFirst({candidate(resolution->exact.front(), 1.0, finish)}, visual);
        if (merged.size() > maxMerged)
            merged.resize(maxMerged);
        return merged;
    }

    std::vector<Candidate> walk;
    for (const ArtCardEntry& entry : resolution->exact)
        walk.push_back(candidate(entry, 0.75, finish));
    for (Candidate c : visual) {
        if (listed(resolution->collectorMatches, c.scryfallId))
            c.score = std::max(c.score, 0.9);
        else if (listed(resolution->nameMatches, c.scryfallId))
            c.score = std::max(c.score, 0.85);
        walk.push_back(std::move(c));
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(3, resolution->nameMatches.size()); ++i)
        walk.push_back(candidate(resolution->nameMatches[i], 0.65, finish));

    // One per print: the first seen, replaced in place by a strictly better score, so that
    // equal scores keep a fixed order.
    std::vector<Candidate> kept;
    for (Candidate& c : walk) {
        auto it = std::find_if(kept.begin(), kept.end(), [&](const Candidate& k) { return k.scryfallId == c.scryfallId; });
        if (it == kept.end())
            kept.push_back(std::move(c));
        else if (c.score > it->score)
            *it = std::move(c);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    if (kept.size() > maxMerged)
        kept.resize(maxMerged);
    return kept;
}

} // namespace vantry::ArtCardBack
