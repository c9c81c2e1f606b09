#include "core/reading/CollectorMatching.h"

#include "core/reading/CollectorStripParser.h"

#include <algorithm>
#include <set>

namespace vantry {

namespace {

// The read number as compared: marks removed, leading zeros dropped; empty when unusable.
QString usableRead(const std::optional<QString>& number)
{
    if (!number)
        return {};
    return normalizeCollectorNumber(strippingCollectorMarks(*number));
}

// A candidate's number as compared. Marks are stripped here too, so that a catalogue
// number written "12★" still matches a read "12★".
QString comparableCandidateNumber(const Candidate& c)
{
    return normalizeCollectorNumber(strippingCollectorMarks(c.collectorNumber));
}

std::vector<Candidate> collectorMatches(const std::vector<Candidate>& candidates, const QString& target,
                                        bool allowPrefixMatch)
{
    std::vector<Candidate> exact;
    for (const Candidate& c : candidates)
        if (comparableCandidateNumber(c) == target)
            exact.push_back(c);
    if (!exact.empty() || !allowPrefixMatch)
        return exact;
    std::vector<Candidate> prefix;
    for (const Candidate& c : candidates) {
        const QString n = comparableCandidateNumber(c);
        if (n.size() == target.size() + 1 && n.startsWith(target))
            prefix.push_back(c);
    }
    return prefix;
}

bool isBlankOrNewline(QChar c) { return c.isSpace(); }

// Lower-cased words of letters and digits, of any length.
QStringList plainWords(const QString& text)
{
    QString cleaned = text.toLower();
    for (QChar& c : cleaned)
        if (!c.isLetterOrNumber())
            c = u' ';
    return cleaned.split(u' ', Qt::SkipEmptyParts);
}

// A name without a significant word ("Saw", "Get Out") is read only where each of its words
// stands as a word: short words leave no room for a misread, and any title would otherwise
// confirm such a name.
bool holdsWordsOf(const QString& title, const QString& name)
{
    const QStringList read = plainWords(title);
    const QStringList named = plainWords(name);
    return !named.isEmpty() &&
           std::all_of(named.begin(), named.end(), [&](const QString& w) { return read.contains(w); });
}

QString trimmed(const QString& s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && isBlankOrNewline(s.at(a)))
        ++a;
    while (b > a && isBlankOrNewline(s.at(b - 1)))
        --b;
    return s.mid(a, b - a);
}

} // namespace

std::vector<Candidate> floatCollectorMatches(const std::vector<Candidate>& candidates,
                                             const std::optional<QString>& collectorNumber, bool allowPrefixMatch)
{
    const QString target = usableRead(collectorNumber);
    if (target.isEmpty())
        return candidates;
    const auto matches = collectorMatches(candidates, target, allowPrefixMatch);
    if (matches.empty() || matches.size() >= candidates.size())
        return candidates;
    std::set<QString> ids;
    for (const Candidate& m : matches)
        ids.insert(m.scryfallId);
    std::vector<Candidate> out = matches;
    for (const Candidate& c : candidates)
        if (!ids.count(c.scryfallId))
            out.push_back(c);
    return out;
}

std::vector<Candidate> promoteCollectorPinnedMatch(const std::vector<Candidate>& candidates,
                                                   const std::optional<QString>& collectorNumber,
                                                   const QString& ocrTitle, bool allowPrefixMatch)
{
    if (candidates.empty() || candidates.size() >= size_t(collectorPinnedCompleteMax))
        return candidates;
    const QString target = usableRead(collectorNumber);
    if (target.isEmpty())
        return candidates;
    const auto matches = collectorMatches(candidates, target, allowPrefixMatch);
    if (matches.size() != 1)
        return candidates;
    const Candidate& pinned = matches.front();
    if (!titleCandidatesHaveComparableWords({ocrTitle}) || !titlesAgree(ocrTitle, pinned.name))
        return candidates;
    std::vector<Candidate> out = candidates;
    for (Candidate& c : out)
        if (c.scryfallId == pinned.scryfallId)
            c.score = collectorPinnedScore;
    return out;
}

QStringList significantWords(const QString& text)
{
    QStringList out;
    for (const QString& word : plainWords(text))
        if (word.size() >= 4)
            out << word;
    return out;
}

bool editDistanceAtMostOne(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const qsizetype la = a.size(), lb = b.size();
    if (std::abs(la - lb) > 1)
        return false;
    if (la == lb) {
        int diff = 0;
        for (qsizetype i = 0; i < la; ++i)
            if (a.at(i) != b.at(i) && ++diff > 1)
                return false;
        return true;
    }
    const QString& shorter = la < lb ? a : b;
    const QString& longer = la < lb ? b : a;
    qsizetype i = 0, j = 0;
    bool skipped = false;
    while (i < shorter.size() && j < longer.size()) {
        if (shorter.at(i) == longer.at(j)) {
            ++i;
            ++j;
        } else {
            if (skipped)
                return false;
            skipped = true;
            ++j;
        }
    }
    return true;
}

bool titleWordsAgree(const QString& titleWord, const QString& nameWord)
{
    return nameWord == titleWord || titleWord.startsWith(nameWord) || nameWord.startsWith(titleWord) ||
           editDistanceAtMostOne(titleWord, nameWord);
}

bool titlesAgree(const std::optional<QString>& ocrTitle, const QString& resolvedName)
{
    if (!ocrTitle || ocrTitle->isEmpty())
        return true;
    const QStringList titleWords = significantWords(*ocrTitle);
    if (titleWords.isEmpty())
        return true;
    const QStringList nameWords = significantWords(resolvedName);
    if (nameWords.isEmpty())
        return holdsWordsOf(*ocrTitle, resolvedName);
    int unmatched = 0;
    for (const QString& tw : titleWords) {
        const bool partnered = std::any_of(nameWords.begin(), nameWords.end(),
                                           [&](const QString& nw) { return titleWordsAgree(tw, nw); });
        if (!partnered)
            ++unmatched;
    }
    return unmatched <= (titleWords.size() >= 3 ? 1 : 0);
}

bool titlesAgreeAcrossCandidates(const QStringList& candidates, const QString& resolvedName)
{
    // A title without a significant word says nothing: it agrees with every name, so it
    // never stands for the others ("dee" beside a title naming another card).
    QStringList titles;
    for (const QString& t : candidates)
        if (!significantWords(t).isEmpty())
            titles << t;
    if (titles.isEmpty())
        return true;
    // Such a name is read by a title of short words as well ("Get Out" beside junk).
    if (significantWords(resolvedName).isEmpty())
        return titlesReadShortName(candidates, resolvedName);
    return std::any_of(titles.begin(), titles.end(), [&](const QString& t) { return titlesAgree(t, resolvedName); });
}

bool titleCandidatesHaveComparableWords(const QStringList& titles)
{
    return std::any_of(titles.begin(), titles.end(), [](const QString& t) { return !significantWords(t).isEmpty(); });
}

bool titlesReadShortName(const QStringList& titles, const QString& resolvedName)
{
    return significantWords(resolvedName).isEmpty() &&
           std::any_of(titles.begin(), titles.end(), [&](const QString& t) { return holdsWordsOf(t, resolvedName); });
}

bool titlesCoverName(const QStringList& titles, const QString& resolvedName)
{
    const QStringList nameWords = significantWords(resolvedName);
    return std::any_of(titles.begin(), titles.end(), [&](const QString& t) {
        const QStringList titleWords = significantWords(t);
        if (titleWords.isEmpty() || !titlesAgree(t, resolvedName))
            return false;
        const auto read = std::count_if(nameWords.begin(), nameWords.end(), [&](const QString& nw) {
            return std::any_of(titleWords.begin(), titleWords.end(),
                               [&](const QString& tw) { return titleWordsAgree(tw, nw); });
        });
        return 2 * read > nameWords.size();
    });
}

std::vector<Candidate> mergeFirst(const std::vector<Candidate>& preferred, const std::vector<Candidate>& rest)
{
    std::set<QString> ids;
    for (const Candidate& c : preferred)
        ids.insert(c.scryfallId);
    std::vector<Candidate> out = preferred;
    for (const Candidate& c : rest)
        if (!ids.count(c.scryfallId))
            out.push_back(c);
    return out;
}

QString tokenTypeQuery(const QString& name) { return name + QStringLiteral(" t:token"); }
QString artSeriesQuery(const QString& name) { return name + QStringLiteral(" is:artseries"); }

QString rawValue(ManualSearchKind kind)
{
    switch (kind) {
    case ManualSearchKind::any:
        return QStringLiteral("any");
    case ManualSearchKind::art:
        return QStringLiteral("art");
    case ManualSearchKind::token:
        return QStringLiteral("token");
    }
    return {};
}

std::optional<ManualSearchKind> manualSearchKindFromRaw(const QString& raw)
{
    for (ManualSearchKind k : allManualSearchKinds)
        if (rawValue(k) == raw)
            return k;
    return std::nullopt;
}

QString applyManualSearchKind(ManualSearchKind kind, const QString& text)
{
    switch (kind) {
    case ManualSearchKind::any:
        return text;
    case ManualSearchKind::art:
        return text.toLower().contains(QStringLiteral("is:artseries")) ? text : artSeriesQuery(text);
    case ManualSearchKind::token:
        return text.toLower().contains(QStringLiteral("t:token")) ? text : tokenTypeQuery(text);
    }
    return text;
}

QString unreadableNote(const CardAttribution& a)
{
    const QString tail = QStringLiteral("Search below or Skip.");
    if (a.isArtSeries)
        return QStringLiteral("Read an Art Series back, but couldn't match the printing. Search the card name below; "
                              "\u201Cis:artseries\u201D narrows to art cards. Or Skip.");
    if (!a.setCode) {
        if (!a.title || a.title->isEmpty())
            return QStringLiteral(
                "No text detected. Scan the side with the card name and the small text strip along the bottom edge "
                "(set and collector number) so we can match the exact set and printing. Full-art and Art Series "
                "cards have no such strip; for those, search the name below. Search or Skip.");
        return QStringLiteral("Read \u201C") + *a.title + QStringLiteral("\u201D but found no match. ") + tail;
    }
    const QString set = a.setCode->toUpper();
    if (a.collectorNumber)
        return QStringLiteral("Read ") + set + u' ' + *a.collectorNumber + QStringLiteral(", but no card matched it. ") +
               tail;
    return QStringLiteral("Read set ") + set + QStringLiteral(" but no collector number. ") + tail;
}

bool scanReadNothing(const CardAttribution& a)
{
    return !a.isArtSeries && !a.setCode && (!a.title || a.title->isEmpty());
}

QString reviewRowManualSearchQuery(const QString& typed, const std::optional<Candidate>& chosen,
                                   const std::vector<Candidate>& candidates)
{
    const QString q = trimmed(typed);
    if (q.isEmpty() || !q.at(0).isNumber())
        return q;
    for (QChar c : q)
        if (!c.isLetterOrNumber() && c != QChar(0x2605) && c != QChar(0x2020))
            return q;
    QString set;
    if (chosen)
        set = chosen->setCode;
    else if (!candidates.empty())
        set = candidates.front().setCode;
    set = trimmed(set).toLower();
    if (set.isEmpty())
        return q;
    return QStringLiteral("set:") + set + u' ' + q;
}

} // namespace vantry
