#pragma once

#include "core/resolution/CardResolving.h"
#include "core/resolution/HttpFetch.h"

#include <QNetworkAccessManager>

#include <chrono>
#include <memory>

namespace vantry {

// The inventory service's card lookup ("/cards/resolve-printing", "/cards/search"), sent
// without a token on its own HTTP session; when the service has no answer (a failure, a
// reply past the size cap, or none by the lookup's deadline) the same question goes to
// the fallback.
class VantryCardResolver final : public CardResolving {
public:
    static constexpr std::chrono::milliseconds defaultIdleTimeout{10000};
    static constexpr std::chrono::milliseconds defaultTotalTimeout{15000};
    // Each lookup is one request to the service.
    static constexpr HttpLimits defaultLimits{defaultIdleTimeout, defaultTotalTimeout, defaultTotalTimeout,
                                              HttpLimits::defaultMaxBytes};
    static constexpr int searchLimit = 40;

    // Build on the thread that will call it (normally the main thread).
    explicit VantryCardResolver(QString apiBase, std::shared_ptr<const CardResolving> fallback = nullptr,
                                HttpLimits limits = defaultLimits);

    const QString& base() const { return base_; }

    // A "/cards/resolve-printing" reply: its printing when found, none when the service has
    // no answer; throws json::Error when it does not decode.
    static std::optional<Candidate> decodeResolvedPrinting(const QByteArray& body, ScanFinish finish);
    // A "/cards/search" reply: its "data" printings, at most `searchLimit`; throws json::Error
    // when any of them does not decode.
    static std::vector<Candidate> decodeSearchPage(const QByteArray& body, ScanFinish finish);

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber,
                                                            ScanFinish finish,
                                                            std::optional<QString> language) const override;
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override;

private:
    QCoro::Task<std::optional<QByteArray>> get(QByteArray pathAndQuery, QDeadlineTimer deadline) const;

    QString base_;
    std::shared_ptr<QNetworkAccessManager> session_;
    std::shared_ptr<const CardResolving> fallback_;
    HttpLimits limits_;
};

} // namespace vantry
