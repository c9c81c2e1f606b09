#include "core/foil/FoilDetectionService.h"

#include "core/resolution/CatalogueRatePacer.h"

#include "core/support/CPUWork.h"
#include "core/foil/FoilDetector.h"
#include "core/foil/FoilImageAnalysis.h"
#include "core/support/ImageDecode.h"
#include "core/support/Json.h"
#include "core/resolution/ScryfallResolver.h"
#include "core/foil/HighlightDetector.h"

#include <QHash>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

#include <list>
#include <mutex>

Q_LOGGING_CATEGORY(lcFoil, "com.vantry.capture.foil", QtInfoMsg)

namespace vantry {

namespace {

// The parts of the catalogue's card record that the probe reads. Every field is optional;
// a present field of the wrong type makes the whole record unreadable.
struct CardArt {
    std::optional<QString> artCrop;
    std::optional<QString> firstFaceArtCrop;
    std::optional<std::vector<QString>> finishes;
};

std::optional<QString> artCropOf(const QJsonValue& imageUris, const QString& where)
{
    const json::Reader uris(imageUris, where);
    return uris.optString(QStringLiteral("art_crop"));
}

CardArt decodeCardArt(const QByteArray& body)
{
    const json::Reader card(json::parseObject(body), QStringLiteral("card"));
    CardArt out;
    if (card.has(QStringLiteral("image_uris")))
        out.artCrop = artCropOf(card.object().value(QStringLiteral("image_uris")), card.path(QStringLiteral("image_uris")));
    if (card.has(QStringLiteral("card_faces"))) {
        const QJsonArray faces = card.array(QStringLiteral("card_faces"));
        for (qsizetype i = 0; i < faces.size(); ++i) {
            const QString where = card.path(QStringLiteral("card_faces")) + QStringLiteral("[%1]").arg(i);
            const json::Reader face(faces.at(i), where);
            std::optional<QString> crop;
            if (face.has(QStringLiteral("image_uris")))
                crop = artCropOf(face.object().value(QStringLiteral("image_uris")), face.path(QStringLiteral("image_uris")));
            if (i == 0)
                out.firstFaceArtCrop = crop;
        }
    }
    if (card.has(QStringLiteral("finishes")))
        out.finishes = card.strings(QStringLiteral("finishes"));
    return out;
}

// An absolute http(s) address with a host; anything else cannot be fetched.
std::optional<QUrl> fetchableUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
        return std::nullopt;
    return url;
}

struct Reply {
    bool ok = false;
    int status = 0;
    QByteArray body;
};

QCoro::Task<Reply> get(std::shared_ptr<QNetworkAccessManager> nam, QUrl url,
                       QList<QPair<QByteArray, QByteArray>> headers, HttpLimits limits)
{
    auto request = httpGet(std::move(nam), std::move(url), std::move(headers), limits);
    const std::optional<HttpReply> reply = co_await std::move(request);
    Reply out;
    if (!reply)
        co_return out;
    out.status = reply->status;
    if (out.status < 200 || out.status > 299)
        co_return out;
    out.ok = true;
    out.body = reply->body;
    co_return out;
}

QString fixed2(double v) { return QString::asprintf("%.2f", v); }

} // namespace

struct FoilDetectionService::State {
    QString api;
    QString userAgent;
    int pictureCacheLimit = defaultPictureCacheLimit;
    std::shared_ptr<CatalogueRatePacer> pacer;
    std::shared_ptr<QNetworkAccessManager> nam = std::make_shared<QNetworkAccessManager>();
    HttpLimits limits;

    // Guards the caches; never held across a network wait or a computation.
    std::mutex cacheLock;
    QHash<QString, ReferenceInfo> referenceInfoCache;
    QHash<QUrl, QImage> referenceImageCache;
    std::list<QUrl> pictureUse; // least recently used first
    QHash<QString, double> referenceMoireCache;
    int moireComputations = 0;

    std::optional<ReferenceInfo> cachedInfo(const QString& id)
    {
        std::lock_guard lock(cacheLock);
        const auto it = referenceInfoCache.constFind(id);
        return it == referenceInfoCache.cend() ? std::nullopt : std::optional(*it);
    }
    void storeInfo(const QString& id, const ReferenceInfo& info)
    {
        std::lock_guard lock(cacheLock);
        referenceInfoCache.insert(id, info);
    }
    std::optional<QImage> cachedPicture(const QUrl& url)
    {
        std::lock_guard lock(cacheLock);
        const auto it = referenceImageCache.constFind(url);
        if (it == referenceImageCache.cend())
            return std::nullopt;
        pictureUse.remove(url);
        pictureUse.push_back(url);
        return *it;
    }
    void storePicture(const QUrl& url, const QImage& picture)
    {
        std::lock_guard lock(cacheLock);
        pictureUse.remove(url);
        pictureUse.push_back(url);
        referenceImageCache.insert(url, picture);
        while (int(pictureUse.size()) > std::max(pictureCacheLimit, 1)) {
            referenceImageCache.remove(pictureUse.front());
            pictureUse.pop_front();
        }
    }
    std::optional<double> cachedMoire(const QString& id)
    {
        std::lock_guard lock(cacheLock);
        const auto it = referenceMoireCache.constFind(id);
        return it == referenceMoireCache.cend() ? std::nullopt : std::optional(*it);
    }
    void storeMoire(const QString& id, double value)
    {
        std::lock_guard lock(cacheLock);
        referenceMoireCache.insert(id, value);
        ++moireComputations;
    }
};

namespace {

using State = FoilDetectionService::State;
using ReferenceInfo = FoilDetectionService::ReferenceInfo;
using DetectionResult = FoilDetectionService::DetectionResult;

QCoro::Task<std::optional<ReferenceInfo>> referenceInfo(std::shared_ptr<State> state, QString id)
{
    if (auto cached = state->cachedInfo(id))
        co_return cached;
    // The identifier is one path segment, whatever it holds.
    const QUrl url(state->api + QStringLiteral("/cards/") + QString::fromLatin1(QUrl::toPercentEncoding(id)),
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        co_return std::nullopt;
    const std::shared_ptr<CatalogueRatePacer> pacer = state->pacer;
    if (!co_await pacer->acquire())
        co_return std::nullopt;
    const Reply reply = co_await get(state->nam, url,
                                     {{"User-Agent", state->userAgent.toUtf8()},
                                      {"Accept", "application/json;q=0.9,*/*;q=0.8"}},
                                     state->limits);
    if (reply.status == 429)
        pacer->noteTooManyRequests();
    if (!reply.ok)
        co_return std::nullopt;

    CardArt card;
    try {
        card = decodeCardArt(reply.body);
    } catch (const json::Error&) {
        co_return std::nullopt;
    }
    // Only the first face is looked at: the art crop of a later face belongs to other art.
    const std::optional<QString> crop = card.artCrop ? card.artCrop : card.firstFaceArtCrop;
    if (!crop)
        co_return std::nullopt;
    const std::optional<QUrl> artUrl = fetchableUrl(*crop);
    if (!artUrl)
        co_return std::nullopt;
    const bool foilAvailable =
        !card.finishes || std::find(card.finishes->begin(), card.finishes->end(), QStringLiteral("foil")) !=
                              card.finishes->end();
    const ReferenceInfo info{*artUrl, foilAvailable};
    state->storeInfo(id, info);
    co_return info;
}

QCoro::Task<std::optional<QImage>> picture(std::shared_ptr<State> state, QUrl url)
{
    if (auto cached = state->cachedPicture(url))
        co_return cached;
    const Reply reply = co_await get(state->nam, url, {{"User-Agent", state->userAgent.toUtf8()}}, state->limits);
    if (!reply.ok)
        co_return std::nullopt;
    std::optional<QImage> decoded = image::decodeData(reply.body);
    if (!decoded || decoded->isNull())
        co_return std::nullopt;
    state->storePicture(url, *decoded);
    co_return decoded;
}

QCoro::Task<double> cachedReferenceMoire(std::shared_ptr<State> state, QString id, QImage reference)
{
    if (auto cached = state->cachedMoire(id))
        co_return *cached;
    // The reference is already the art crop: measured as it is.
    auto work = [reference] { return FoilImageAnalysis::moireScore(reference); };
    const double value = co_await CPUWork::run(std::move(work));
    state->storeMoire(id, value);
    co_return value;
}

std::optional<DetectionResult> computeVerdict(const QImage& scan, const QImage& reference, const ReferenceInfo& info,
                                              double referenceMoire, const QString& id)
{
    const QImage crop = FoilImageAnalysis::cropToArtRegion(scan);
    const auto scanStats = FoilImageAnalysis::computeColorStats(crop);
    const auto referenceStats = FoilImageAnalysis::computeColorStats(reference);
    if (!scanStats || !referenceStats)
        return std::nullopt;
    const double chromatic = FoilDetector::foilScore(*scanStats, *referenceStats);
    const double moire = std::max(0.0, FoilImageAnalysis::moireScore(crop) - referenceMoire);
    const auto scanHighlights = FoilImageAnalysis::computeSpecularStats(crop);
    const auto referenceHighlights = FoilImageAnalysis::computeSpecularStats(reference);
    const double specular = scanHighlights && referenceHighlights
                                ? SpecularDetector::foilScore(*scanHighlights, *referenceHighlights)
                                : 0.0;
    const SpecularStats none{};
    const SpecularStats& s = scanHighlights ? *scanHighlights : none;
    const SpecularStats& r = referenceHighlights ? *referenceHighlights : none;
    qCInfo(lcFoil).noquote() << QStringLiteral("foil: ") + id + QStringLiteral(" specular=") + fixed2(specular) +
                                    QStringLiteral(" combined=") + fixed2(specular) + QStringLiteral(" chromatic=") +
                                    fixed2(chromatic) + QStringLiteral(" moire=") + fixed2(moire) +
                                    QStringLiteral(" scanBlueRatio=") + fixed2(s.brightBlueRatio) +
                                    QStringLiteral(" refBlueRatio=") + fixed2(r.brightBlueRatio) +
                                    QStringLiteral(" scanBrightSat=") + fixed2(s.brightSaturation) +
                                    QStringLiteral(" refBrightSat=") + fixed2(r.brightSaturation) +
                                    QStringLiteral(" scanSpecFrac=") + fixed2(s.specularFraction) +
                                    QStringLiteral(" refSpecFrac=") + fixed2(r.specularFraction) +
                                    QStringLiteral(" foilAvail=") +
                                    (info.foilAvailable ? QStringLiteral("true") : QStringLiteral("false"));
    return DetectionResult{specular, chromatic, moire, *scanStats, *referenceStats, info.foilAvailable};
}

} // namespace

QString FoilDetectionService::defaultApiBase() { return QString::fromLatin1(ScryfallResolver::defaultApi); }

QString FoilDetectionService::defaultUserAgent() { return QString::fromLatin1(ScryfallResolver::defaultUserAgent); }

FoilDetectionService::FoilDetectionService(QString api, QString userAgent, int pictureCacheLimit,
                                           std::shared_ptr<CatalogueRatePacer> pacer, HttpLimits limits)
    : state_(std::make_shared<State>())
{
    state_->limits = limits;
    state_->pacer = pacer ? std::move(pacer) : CatalogueRatePacer::shared();
    while (api.endsWith(u'/'))
        api.chop(1);
    state_->api = std::move(api);
    state_->userAgent = std::move(userAgent);
    state_->pictureCacheLimit = pictureCacheLimit;
}

FoilDetectionService::~FoilDetectionService() = default;

int FoilDetectionService::referenceMoireComputations() const
{
    std::lock_guard lock(state_->cacheLock);
    return state_->moireComputations;
}

QCoro::Task<std::optional<FoilDetectionService::DetectionResult>> FoilDetectionService::detect(QImage scan,
                                                                                             QString scryfallId)
{
    // Holds the caches and the network manager until this probe ends, even if the service goes.
    const std::shared_ptr<State> state = state_;
    const std::optional<ReferenceInfo> info = co_await referenceInfo(state, scryfallId);
    if (!info) {
        qCInfo(lcFoil).noquote() << QStringLiteral("foil: %1 no reference info").arg(scryfallId);
        co_return std::nullopt;
    }
    const std::optional<QImage> reference = co_await picture(state, info->artCropURL);
    if (!reference) {
        qCInfo(lcFoil).noquote() << QStringLiteral("foil: %1 reference fetch failed").arg(scryfallId);
        co_return std::nullopt;
    }
    const double referenceMoire = co_await cachedReferenceMoire(state, scryfallId, *reference);
    auto work = [scan, reference = *reference, info = *info, referenceMoire, scryfallId] {
        return computeVerdict(scan, reference, info, referenceMoire, scryfallId);
    };
    std::optional<DetectionResult> verdict = co_await CPUWork::run(std::move(work));
    co_return verdict;
}

} // namespace vantry
