#include "CatalogueResolver.h"

#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"
#include "core/reading/ManualCardSearchQuery.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace vantry::tools {

namespace {

constexpr int kSearchLimit = 40;

Candidate candidateOf(const CataloguePrinting& p, ScanFinish finish, double score)
{
    Candidate c;
    c.scryfallId = p.set.toLower() + u':' + p.number;
    c.name = p.name;
    c.setCode = p.set.toLower();
    c.collectorNumber = p.number;
    c.finish = finish;
    c.score = score;
    return c;
}

// Lower-case words of letters (apostrophes dropped), at least three long.
QStringList searchWords(const QString& text)
{
    QString cleaned = text.toLower();
    cleaned.remove(u'\'');
    cleaned.remove(QChar(0x2019));
    for (QChar& c : cleaned)
        if (!c.isLetter())
            c = u' ';
    QStringList out;
    for (const QString& w : cleaned.split(u' ', Qt::SkipEmptyParts))
        if (w.size() >= 3)
            out << w;
    return out;
}

bool wordsMatch(const QString& query, const QString& name)
{
    if (query == name)
        return true;
    return query.size() >= 4 && name.size() >= 4 && editDistanceAtMostOne(query, name);
}

} // namespace

std::optional<std::vector<CataloguePrinting>> readCatalogue(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isArray()) {
        *error = path + QStringLiteral(": not a JSON array (") + parseError.errorString() + u')';
        return std::nullopt;
    }
    std::vector<CataloguePrinting> out;
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        CataloguePrinting p{o.value(QStringLiteral("set")).toString(), o.value(QStringLiteral("number")).toString(),
                            o.value(QStringLiteral("name")).toString()};
        if (p.set.isEmpty() || p.number.isEmpty() || p.name.isEmpty()) {
            *error = path + QStringLiteral(": a printing without set, number or name");
            return std::nullopt;
        }
        out.push_back(std::move(p));
    }
    return out;
}

CatalogueResolver::CatalogueResolver(std::vector<CataloguePrinting> printings) : printings_(std::move(printings)) {}

std::vector<Candidate> CatalogueResolver::lookup(const QString& setCode, const QString& collectorNumber,
                                                 ScanFinish finish) const
{
    const QString number = normalizeCollectorNumber(strippingCollectorMarks(collectorNumber));
    std::vector<Candidate> out;
    for (const CataloguePrinting& p : printings_)
        if (p.set.compare(setCode, Qt::CaseInsensitive) == 0 &&
            normalizeCollectorNumber(p.number).compare(number, Qt::CaseInsensitive) == 0)
            out.push_back(candidateOf(p, finish, 1.0));
    return out;
}

std::vector<Candidate> CatalogueResolver::search(const QString& text, ScanFinish finish) const
{
    const auto query = parseManualCardSearchQuery(text);
    if (!query)
        return {};
    if (query->setCode && query->collectorNumber) {
        auto exact = lookup(*query->setCode, *query->collectorNumber, finish);
        if (!exact.empty())
            return exact;
    }
    QString name = query->name;
    name.remove(QRegularExpression(QStringLiteral("\\b(t:token|is:artseries)\\b"),
                                   QRegularExpression::CaseInsensitiveOption));
    const QStringList words = searchWords(name);
    if (words.isEmpty())
        return {};
    struct Hit {
        std::size_t index;
        int matched;
        bool exactName;
    };
    std::vector<Hit> hits;
    const QString wanted = words.join(u' ');
    for (std::size_t i = 0; i < printings_.size(); ++i) {
        const QStringList nameWords = searchWords(printings_[i].name);
        int matched = 0;
        for (const QString& w : words)
            if (std::any_of(nameWords.begin(), nameWords.end(), [&](const QString& n) { return wordsMatch(w, n); }))
                ++matched;
        if (matched > 0)
            hits.push_back({i, matched, nameWords.join(u' ') == wanted});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        if (a.exactName != b.exactName)
            return a.exactName;
        return a.matched > b.matched;
    });
    std::vector<Candidate> out;
    for (const Hit& h : hits) {
        if (out.size() >= std::size_t(kSearchLimit))
            break;
        out.push_back(candidateOf(printings_[h.index], finish, 0.0));
    }
    return out;
}

QCoro::Task<std::vector<Candidate>> CatalogueResolver::resolveSetCollector(QString setCode, QString collectorNumber,
                                                                           ScanFinish finish,
                                                                           std::optional<QString>) const
{
    co_return lookup(setCode, collectorNumber, finish);
}

QCoro::Task<std::vector<Candidate>> CatalogueResolver::searchByName(QString text, ScanFinish finish) const
{
    co_return search(text, finish);
}

} // namespace vantry::tools
