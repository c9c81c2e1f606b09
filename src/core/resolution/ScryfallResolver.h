#pragma once

#include "core/resolution/CardResolving.h"
#include "core/resolution/CatalogueRatePacer.h"
#include "core/resolution/HttpFetch.h"

#include <QNetworkAccessManager>
#include <QUrl>

#include <memory>
#include <optional>

namespace vantry {

// The public card catalogue (Scryfall) as a resolver: card by set and number, and search.
// Every request waits for its turn at the process's catalogue pacer; a 429 locks the
// catalogue out for a while and counts as a failed request, never as "not found". So does
// a reply past the size cap, and a lookup ends by its deadline whatever the catalogue does.
class ScryfallResolver final : public CardResolving {
public:
    static constexpr const char* defaultApi = "https://api.scryfall.com";
    static constexpr const char* defaultUserAgent =
        "VantryFinance/1.0 (mac capture; contact capture-support@vantry.invalid)";
    static constexpr const char* acceptHeader = "application/json;q=0.9,*/*;q=0.8";
    static constexpr int searchLimit = 40;
    static constexpr HttpLimits defaultLimits{std::chrono::milliseconds(60000), std::chrono::milliseconds(30000),
                                              std::chrono::milliseconds(60000), HttpLimits::defaultMaxBytes};

    // Build on the thread that will call it (normally the main thread).
    explicit ScryfallResolver(QString api = QString::fromLatin1(defaultApi),
                              std::shared_ptr<CatalogueRatePacer> pacer = CatalogueRatePacer::shared(),
                              HttpLimits limits = defaultLimits);

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber,
                                                            ScanFinish finish,
                                                            std::optional<QString> language) const override;
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override;

    // A card record's body as one candidate; throws json::Error when it does not decode.
    static Candidate decodeCard(const QByteArray& body, ScanFinish finish);
    // A search page's body: its "data" cards, at most `searchLimit`; throws json::Error when
    // any of them does not decode.
    static std::vector<Candidate> decodeSearchPage(const QByteArray& body, ScanFinish finish);

    // The search URL with its items "q", "unique", "order" and (when given) "dir", each
    // value percent-encoded; none when the base does not make a URL.
    std::optional<QUrl> cardsSearchURL(const QString& query, const QString& order,
                                       const std::optional<QString>& dir) const;

private:
    enum class Outcome { body, notFound, failed };
    struct Fetched {
        Outcome outcome = Outcome::failed;
        QByteArray body;
    };
    QCoro::Task<Fetched> get(QUrl url, QDeadlineTimer deadline) const;
    QCoro::Task<std::vector<Candidate>> lookUp(QString setCode, QString collectorNumber, ScanFinish finish,
                                               std::optional<QString> language, QDeadlineTimer deadline) const;

    QString api_;
    QByteArray userAgent_;
    std::shared_ptr<CatalogueRatePacer> pacer_;
    std::shared_ptr<QNetworkAccessManager> session_;
    HttpLimits limits_;
};

// Card image URLs on the catalogue's image host.
namespace ScryfallImage {

enum class Size { normal, small };

inline constexpr const char* defaultBase = "https://cards.scryfall.io/";

QString rawValue(Size size);
std::optional<Size> sizeFromRaw(const QString& raw);

// base + size + "/front/" + id[0] + "/" + id[1] + "/" + id + ".jpg", the id lower-cased;
// none for an id shorter than two characters.
std::optional<QUrl> url(const QString& id, Size size, const QString& base = QString::fromLatin1(defaultBase));

} // namespace ScryfallImage

} // namespace vantry
