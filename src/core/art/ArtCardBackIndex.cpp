#include "core/art/ArtCardBackIndex.h"

#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"

namespace vantry {

namespace {

// How an entry's name is looked for on a back line.
enum class FaceKind {
    none,  // a blank name confirms nothing
    words, // a word of four letters or more: compared word by word with `titlesAgree`
    text,  // only short words: found as plain text in the lower-cased line
};

struct Face {
    FaceKind kind = FaceKind::none;
    QString text; // the single face, as `titlesAgree` gets it
    QString lowered;
};

} // namespace

struct ArtCardBackIndex::Tables {
    std::vector<Face> faces;
    // The distinct significant words of all faces, and the entries holding each (ascending).
    std::vector<QString> words;
    std::vector<std::vector<int>> holders;
    // Word ids by first and by last character. Two words that agree (equal, a prefix, or
    // one edit apart) share their first or their last character, so these two buckets of
    // a line word hold every word that can agree with it.
    QHash<char16_t, std::vector<int>> byFirst;
    QHash<char16_t, std::vector<int>> byLast;
    std::vector<int> textFaces;
    QHash<QString, std::vector<int>> byCollector;
};

ArtCardBackIndex::ArtCardBackIndex(std::shared_ptr<const std::vector<ArtCardEntry>> entries)
    : entries_(entries ? std::move(entries) : std::make_shared<const std::vector<ArtCardEntry>>())
{
}

ArtCardBackIndex::ArtCardBackIndex(std::vector<ArtCardEntry> entries)
    : entries_(std::make_shared<const std::vector<ArtCardEntry>>(std::move(entries)))
{
}

ArtCardBackIndex::~ArtCardBackIndex() = default;

const ArtCardBackIndex::Tables& ArtCardBackIndex::tables() const
{
    std::call_once(built_, [this] {
        auto t = std::make_unique<Tables>();
        QHash<QString, int> wordIds;
        const auto& list = *entries_;
        t->faces.resize(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int entry = int(i);
            Face& face = t->faces[i];
            face.text = ArtCardBack::singleFaceName(list[i].name);
            t->byCollector[normalizeCollectorNumber(list[i].collectorNumber)].push_back(entry);
            if (face.text.trimmed().isEmpty())
                continue;
            const QStringList words = significantWords(face.text);
            if (words.isEmpty()) {
                face.kind = FaceKind::text;
                face.lowered = face.text.toLower();
                t->textFaces.push_back(entry);
                continue;
            }
            face.kind = FaceKind::words;
            for (const QString& word : words) {
                auto it = wordIds.constFind(word);
                if (it == wordIds.constEnd()) {
                    it = wordIds.insert(word, int(t->words.size()));
                    t->words.push_back(word);
                    t->holders.emplace_back();
                }
                auto& holders = t->holders[std::size_t(*it)];
                if (holders.empty() || holders.back() != entry)
                    holders.push_back(entry);
            }
        }
        for (std::size_t id = 0; id < t->words.size(); ++id) {
            const QString& word = t->words[id];
            t->byFirst[word.front().unicode()].push_back(int(id));
            t->byLast[word.back().unicode()].push_back(int(id));
        }
        tables_ = std::move(t);
    });
    return *tables_;
}

ArtCardBackResolution ArtCardBackIndex::resolve(const ArtCardBackRead& read) const
{
    const auto& list = *entries_;
    if (list.empty())
        return {};
    const Tables& t = tables();

    constexpr unsigned char byNumber = 1;
    constexpr unsigned char byName = 2;
    std::vector<unsigned char> marks(list.size(), 0);
    if (read.collectorNumber)
        for (int entry : t.byCollector.value(*read.collectorNumber))
            marks[std::size_t(entry)] |= byNumber;

    // Per line, an entry is compared at most once, and only when one of its words agrees
    // with a word of the line: without that, `titlesAgree` cannot hold.
    QHash<QString, std::vector<int>> agreeing;
    std::vector<int> comparedOnLine(list.size(), -1);
    for (int lineIndex = 0; lineIndex < int(read.lines.size()); ++lineIndex) {
        const QString& line = read.lines[lineIndex];
        for (const QString& lineWord : significantWords(line)) {
            auto found = agreeing.constFind(lineWord);
            if (found == agreeing.constEnd()) {
                std::vector<int> ids;
                for (const auto* bucket : {&t.byFirst, &t.byLast}) {
                    const auto it = bucket->constFind(bucket == &t.byFirst ? lineWord.front().unicode()
                                                                           : lineWord.back().unicode());
                    if (it == bucket->constEnd())
                        continue;
                    for (int id : *it)
                        if (titleWordsAgree(t.words[std::size_t(id)], lineWord))
                            ids.push_back(id);
                }
                found = agreeing.insert(lineWord, std::move(ids));
            }
            for (int id : *found) {
                for (int entry : t.holders[std::size_t(id)]) {
                    const auto e = std::size_t(entry);
                    if ((marks[e] & byName) || comparedOnLine[e] == lineIndex)
                        continue;
                    comparedOnLine[e] = lineIndex;
                    if (titlesAgree(t.faces[e].text, line))
                        marks[e] |= byName;
                }
            }
        }
        if (!t.textFaces.empty()) {
            const QString lowered = line.toLower();
            for (int entry : t.textFaces) {
                const auto e = std::size_t(entry);
                if (!(marks[e] & byName) && lowered.contains(t.faces[e].lowered))
                    marks[e] |= byName;
            }
        }
    }

    ArtCardBackResolution resolution;
    for (std::size_t e = 0; e < list.size(); ++e) {
        if (marks[e] == (byNumber | byName))
            resolution.exact.push_back(list[e]);
        else if (marks[e] == byName)
            resolution.nameMatches.push_back(list[e]);
        else if (marks[e] == byNumber)
            resolution.collectorMatches.push_back(list[e]);
    }
    return resolution;
}

} // namespace vantry
