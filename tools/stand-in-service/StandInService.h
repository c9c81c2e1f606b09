#pragma once

#include "CardCatalogue.h"
#include "InventoryDatabase.h"
#include "support/FakeInventoryService.h"

#include <QDateTime>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace vantry::standin {

// The inventory service and its sign-in service on one loopback port, for trying the
// application without the maker's servers: the API below "/api", sign-in below "/auth"
// (authorize page, token endpoint with PKCE), evidence uploads below "/storage", and the
// stored inventory as a page at "/". It refuses what the real service refuses: unknown
// tokens, malformed bodies, sessions out of order, a code exchanged twice or with the
// wrong verifier.
class StandInService {
public:
    static inline const QString workspaceId = QStringLiteral("demo-workspace");

    // Listens on `port` (0: a free one) with the database in `folder`; none with `error`
    // set when the port is taken or the folder cannot hold the database.
    static std::unique_ptr<StandInService> start(quint16 port, const QString& folder,
                                                 std::vector<CataloguePrinting> catalogue, QString* error);

    // The database file in a folder.
    static QString databasePath(const QString& folder);
    // Issues a token pair for `email` and writes it as the application's token file.
    static std::optional<QString> signIn(InventoryDatabase& db, const QString& email, const QString& tokenFile);
    static IssuedTokens issueTokens(const QString& email);

    quint16 port() const;
    QString apiURL() const; // "http://127.0.0.1:<port>/api"
    QString issuer() const; // "http://127.0.0.1:<port>/auth"

private:
    struct PendingCode {
        QString challenge;
        QString email;
        QDateTime expires;
    };

    StandInService(quint16 port, const QString& databaseFile);
    void installRoutes();
    void refreshBins();
    test::FakeHttpResponse authorizePage(const test::FakeHttpRequest& request);
    test::FakeHttpResponse approve(const test::FakeHttpRequest& request);
    test::FakeHttpResponse token(const test::FakeHttpRequest& request);
    test::FakeHttpResponse inventoryPage();

    test::FakeInventoryService service_;
    InventoryDatabase db_;
    std::map<QString, PendingCode> codes_;
};

} // namespace vantry::standin
