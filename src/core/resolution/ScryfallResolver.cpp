#include "core/resolution/ScryfallResolver.h"

#include "core/reading/CollectorStripParser.h"
#include "core/support/Json.h"
#include "core/reading/ManualCardSearchQuery.h"

#include <QJsonArray>

namespace vantry {

namespace {

// One catalogue card record; throws json::Error when it does not decode.
Candidate candidate(const QJsonValue& value, ScanFinish finish, double score)
{
    const json::Reader card(value, QStringLiteral("card"));
    Candidate c;
    c.scryfallId = card.string(QStringLiteral("id"));
    c.name = card.string(QStringLiteral("name"));
    c.setCode = card.string(QStringLiteral("set"));
    c.collectorNumber = card.string(QStringLiteral("collector_number"));
    c.finish = finish;
    c.score = score;
    if (card.has(QStringLiteral("prices"))) {
        const json::Reader prices(card.object().value(QStringLiteral("prices")), QStringLiteral("prices"));
        auto price = [&](const QString& key) -> std::optional<double> {
            const auto text = prices.optString(key);
            return text ? usablePrice(numberFromText(*text)) : std::nullopt;
        };
        c.priceUSD = price(QStringLiteral("usd"));
        c.priceUsdFoil = price(QStringLiteral("usd_foil"));
    }
    c.isArtSeries = card.optString(QStringLiteral("layout")) == QStringLiteral("art_series");
    return c;
}

} // namespace

ScryfallResolver::ScryfallResolver(QString api, std::shared_ptr<CatalogueRatePacer> pacer, HttpLimits limits)
    : api_(std::move(api)), userAgent_(defaultUserAgent), pacer_(std::move(pacer)),
      session_(std::make_shared<QNetworkAccessManager>()), limits_(limits)
{
    if (!pacer_)
        pacer_ = CatalogueRatePacer::shared();
}

QCoro::Task<ScryfallResolver::Fetched> ScryfallResolver::get(QUrl url, QDeadlineTimer deadline) const
{
    auto pacer = pacer_;
    auto turn = pacer->acquire();
    if (!co_await std::move(turn))
        co_return Fetched{};
    auto request = httpGet(session_, url, {{"User-Agent", userAgent_}, {"Accept", acceptHeader}}, limits_, deadline);
    auto reply = co_await std::move(request);
    if (!reply)
        co_return Fetched{};
    if (reply->status == 429) {
        pacer->noteTooManyRequests();
        co_return Fetched{};
    }
    if (reply->status == 404)
        co_return Fetched{Outcome::notFound, {}};
    if (reply->status < 200 || reply->status > 299)
        co_return Fetched{};
    co_return Fetched{Outcome::body, reply->body};
}

QCoro::Task<std::vector<Candidate>> ScryfallResolver::resolveSetCollector(QString setCode, QString collectorNumber,
                                                                          ScanFinish finish,
                                                                          std::optional<QString> language) const
{
    auto lookup = lookUp(std::move(setCode), std::move(collectorNumber), finish, std::move(language),
                         limits_.lookupDeadline());
    co_return co_await std::move(lookup);
}

QCoro::Task<std::vector<Candidate>> ScryfallResolver::lookUp(QString setCode, QString collectorNumber,
                                                             ScanFinish finish, std::optional<QString> language,
                                                             QDeadlineTimer deadline) const
{
    const QByteArray set = percentEncoded(setCode.toLower());
    const bool withLanguage = language && !language->isEmpty() && *language != QStringLiteral("en");
    for (const QString& variant : normalizedCollectorLookupCandidates(collectorNumber)) {
        const QByteArray base = api_.toUtf8() + "/cards/" + set + "/" + percentEncoded(variant);
        std::vector<QByteArray> targets;
        if (withLanguage)
            targets.push_back(base + "/" + percentEncoded(*language));
        // A printing missing in the read language is still the same printing.
        targets.push_back(base);
        for (const QByteArray& target : targets) {
            auto request = get(QUrl::fromEncoded(target, QUrl::StrictMode), deadline);
            const Fetched fetched = co_await std::move(request);
            if (fetched.outcome == Outcome::body) {
                try {
                    co_return std::vector<Candidate>{decodeCard(fetched.body, finish)};
                } catch (const json::Error&) {
                }
                break;
            }
            if (fetched.outcome != Outcome::notFound)
                break; // a failure is not "missing in this language": no retry without it
        }
    }
    co_return std::vector<Candidate>{};
}

Candidate ScryfallResolver::decodeCard(const QByteArray& body, ScanFinish finish)
{
    return candidate(json::parseObject(body), finish, 1.0);
}

std::vector<Candidate> ScryfallResolver::decodeSearchPage(const QByteArray& body, ScanFinish finish)
{
    const json::Reader list(json::parseObject(body));
    const QJsonArray data = list.array(QStringLiteral("data"));
    std::vector<Candidate> out;
    for (const QJsonValue& v : data)
        out.push_back(candidate(v, finish, 0.0));
    if (out.size() > size_t(searchLimit))
        out.resize(searchLimit);
    return out;
}

std::optional<QUrl> ScryfallResolver::cardsSearchURL(const QString& query, const QString& order,
                                                     const std::optional<QString>& dir) const
{
    QByteArray text = api_.toUtf8() + "/cards/search?q=" + percentEncoded(query) + "&unique=prints&order=" +
                      percentEncoded(order);
    if (dir)
        text += "&dir=" + percentEncoded(*dir);
    const QUrl url = QUrl::fromEncoded(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    return url;
}

QCoro::Task<std::vector<Candidate>> ScryfallResolver::searchByName(QString text, ScanFinish finish) const
{
    const auto query = parseManualCardSearchQuery(text);
    if (!query)
        co_return std::vector<Candidate>{};
    const QDeadlineTimer deadline = limits_.lookupDeadline();
    if (query->setCode && query->collectorNumber) {
        auto lookup = lookUp(*query->setCode, *query->collectorNumber, finish, std::nullopt, deadline);
        auto exact = co_await std::move(lookup);
        if (!exact.empty())
            co_return exact;
    }
    if (query->name.isEmpty())
        co_return std::vector<Candidate>{};

    QStringList texts;
    QString order;
    std::optional<QString> dir;
    if (query->setCode) {
        QString escaped = query->name;
        escaped.replace(u'"', QStringLiteral("\\\""));
        texts << QStringLiteral("!\"") + escaped + QStringLiteral("\" set:") + *query->setCode
              << query->name + QStringLiteral(" set:") + *query->setCode;
        order = QStringLiteral("set");
    } else {
        texts << query->name;
        order = QStringLiteral("released");
        dir = QStringLiteral("desc");
    }
    for (const QString& t : texts) {
        const auto url = cardsSearchURL(t + QStringLiteral(" include:extras"), order, dir);
        if (!url)
            continue;
        auto request = get(*url, deadline);
        const Fetched fetched = co_await std::move(request);
        if (fetched.outcome != Outcome::body)
            continue;
        try {
            std::vector<Candidate> out = decodeSearchPage(fetched.body, finish);
            if (!out.empty())
                co_return out;
        } catch (const json::Error&) {
        }
    }
    co_return std::vector<Candidate>{};
}

namespace ScryfallImage {

QString rawValue(Size size) { return size == Size::normal ? QStringLiteral("normal") : QStringLiteral("small"); }

std::optional<Size> sizeFromRaw(const QString& raw)
{
    if (raw == QStringLiteral("normal"))
        return Size::normal;
    if (raw == QStringLiteral("small"))
        return Size::small;
    return std::nullopt;
}

std::optional<QUrl> url(const QString& id, Size size, const QString& base)
{
    const QString lower = id.toLower();
    if (lower.size() < 2)
        return std::nullopt;
    // Each piece encoded: an id can never step out of its folder.
    const QUrl out = QUrl::fromEncoded(base.toUtf8() + rawValue(size).toUtf8() + "/front/" +
                                           percentEncoded(lower.left(1)) + "/" + percentEncoded(lower.mid(1, 1)) + "/" +
                                           percentEncoded(lower) + ".jpg",
                                       QUrl::StrictMode);
    if (!out.isValid())
        return std::nullopt;
    return out;
}

} // namespace ScryfallImage

} // namespace vantry
