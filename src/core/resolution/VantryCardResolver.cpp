#include "core/resolution/VantryCardResolver.h"

#include "core/support/Json.h"
#include "core/reading/ManualCardSearchQuery.h"

#include <QJsonArray>

namespace vantry {

namespace {

// A number sent either as a JSON number or as numeric text; anything else fails the reply.
std::optional<double> flexibleDouble(const json::Reader& r, const QString& key)
{
    if (!r.has(key))
        return std::nullopt;
    const QJsonValue v = r.object().value(key);
    if (v.isDouble())
        return usablePrice(v.toDouble());
    if (v.isString()) {
        if (auto n = numberFromText(v.toString()))
            return usablePrice(*n);
    }
    throw json::Error(QStringLiteral("%1: Expected numeric string").arg(key).toStdString());
}

std::optional<PhysicalTokenMetadata> physicalToken(const json::Reader& printing)
{
    if (!printing.has(QStringLiteral("physicalToken")))
        return std::nullopt;
    const json::Reader t(printing.object().value(QStringLiteral("physicalToken")), QStringLiteral("physicalToken"));
    PhysicalTokenMetadata meta;
    meta.name = t.string(QStringLiteral("name"));
    meta.tcgplayerId = t.optInteger(QStringLiteral("tcgplayerId"));
    meta.collectorNumber = t.string(QStringLiteral("collectorNumber"));
    meta.bestPriceUsd = flexibleDouble(t, QStringLiteral("bestPriceUsd"));
    const QJsonArray faces = t.array(QStringLiteral("faces"));
    for (const QJsonValue& f : faces) {
        const json::Reader face(f, QStringLiteral("physicalToken.faces"));
        meta.faces.push_back({face.string(QStringLiteral("name")), face.string(QStringLiteral("setCode")),
                              face.string(QStringLiteral("collectorNumber")),
                              flexibleDouble(face, QStringLiteral("priceUsd"))});
    }
    if (meta.faces.empty())
        return std::nullopt;
    return meta;
}

// One "Printing" record; throws json::Error when it does not decode.
Candidate candidate(const QJsonValue& value, ScanFinish finish, double score)
{
    const json::Reader p(value, QStringLiteral("printing"));
    Candidate c;
    c.scryfallId = p.string(QStringLiteral("scryfallId"));
    c.name = p.string(QStringLiteral("name"));
    c.setCode = p.string(QStringLiteral("setCode"));
    c.collectorNumber = p.optString(QStringLiteral("collectorNumber")).value_or(QString());
    c.finish = finish;
    c.score = score;
    auto price = [&](const QString& key) -> std::optional<double> {
        const auto text = p.optString(key);
        return text ? usablePrice(numberFromText(*text)) : std::nullopt;
    };
    c.priceUSD = price(QStringLiteral("priceUsd"));
    c.priceUsdFoil = price(QStringLiteral("priceUsdFoil"));
    c.priceUsdSignature = price(QStringLiteral("priceUsdSignature"));
    c.isArtSeries = p.optBoolean(QStringLiteral("isArtSeries")).value_or(false);
    c.artSeriesVariant = p.optString(QStringLiteral("artSeriesVariant")) == QStringLiteral("signature")
                             ? ArtSeriesVariant::signature
                             : ArtSeriesVariant::plain;
    if (p.has(QStringLiteral("finishes")))
        (void)p.strings(QStringLiteral("finishes")); // checked, not used: the caller's finish stands
    c.physicalToken = physicalToken(p);
    return c;
}

} // namespace

VantryCardResolver::VantryCardResolver(QString apiBase, std::shared_ptr<const CardResolving> fallback,
                                       HttpLimits limits)
    : base_(std::move(apiBase)), session_(std::make_shared<QNetworkAccessManager>()),
      fallback_(std::move(fallback)), limits_(limits)
{
    while (base_.endsWith(u'/'))
        base_.chop(1);
}

std::optional<Candidate> VantryCardResolver::decodeResolvedPrinting(const QByteArray& body, ScanFinish finish)
{
    const json::Reader envelope(json::parseObject(body));
    const bool found = envelope.boolean(QStringLiteral("found"));
    std::optional<Candidate> hit;
    if (envelope.has(QStringLiteral("printing")))
        hit = candidate(envelope.object().value(QStringLiteral("printing")), finish, 1.0);
    if (!found)
        return std::nullopt;
    return hit;
}

std::vector<Candidate> VantryCardResolver::decodeSearchPage(const QByteArray& body, ScanFinish finish)
{
    const json::Reader envelope(json::parseObject(body));
    const QJsonArray data = envelope.array(QStringLiteral("data"));
    std::vector<Candidate> out;
    for (const QJsonValue& v : data)
        out.push_back(candidate(v, finish, 0.0)); // the whole reply must decode
    if (out.size() > size_t(searchLimit))
        out.resize(searchLimit);
    return out;
}

QCoro::Task<std::optional<QByteArray>> VantryCardResolver::get(QByteArray pathAndQuery, QDeadlineTimer deadline) const
{
    const QUrl url = QUrl::fromEncoded(base_.toUtf8() + pathAndQuery, QUrl::StrictMode);
    auto request = httpGet(session_, url, {{"Accept", "application/json"}}, limits_, deadline);
    auto reply = co_await std::move(request);
    if (!reply || reply->status != 200)
        co_return std::nullopt;
    co_return reply->body;
}

QCoro::Task<std::vector<Candidate>> VantryCardResolver::resolveSetCollector(QString setCode, QString collectorNumber,
                                                                            ScanFinish finish,
                                                                            std::optional<QString> language) const
{
    const QByteArray path = "/cards/resolve-printing?set=" + percentEncoded(setCode) +
                            "&number=" + percentEncoded(collectorNumber);
    auto request = get(path, limits_.lookupDeadline());
    auto body = co_await std::move(request);
    if (body) {
        try {
            if (const auto hit = decodeResolvedPrinting(*body, finish))
                co_return std::vector<Candidate>{*hit};
        } catch (const json::Error&) {
            // Undecodable: as if the service had not answered.
        }
    }
    if (!fallback_)
        co_return std::vector<Candidate>{};
    auto fallback = fallback_; // keeps it alive across the wait
    auto asked = fallback->resolveSetCollector(setCode, collectorNumber, finish, language);
    co_return co_await std::move(asked);
}

QCoro::Task<std::vector<Candidate>> VantryCardResolver::searchByName(QString text, ScanFinish finish) const
{
    const auto query = parseManualCardSearchQuery(text);
    if (!query)
        co_return std::vector<Candidate>{};
    if (query->setCode && query->collectorNumber) {
        auto lookup = resolveSetCollector(*query->setCode, *query->collectorNumber, finish, std::nullopt);
        auto exact = co_await std::move(lookup);
        if (!exact.empty())
            co_return exact;
    }
    if (query->name.isEmpty())
        co_return std::vector<Candidate>{};

    auto request = get("/cards/search?q=" + percentEncoded(text), limits_.lookupDeadline());
    auto body = co_await std::move(request);
    if (body) {
        try {
            std::vector<Candidate> out = decodeSearchPage(*body, finish);
            if (!out.empty())
                co_return out;
        } catch (const json::Error&) {
        }
    }
    if (!fallback_)
        co_return std::vector<Candidate>{};
    auto fallback = fallback_;
    auto asked = fallback->searchByName(text, finish);
    co_return co_await std::move(asked);
}

} // namespace vantry
