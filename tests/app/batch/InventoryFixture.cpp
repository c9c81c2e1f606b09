#include "InventoryFixture.h"

#include "BatchTestKit.h"
#include "app/auth/TokenStore.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/resolution/VantryCardResolver.h"
#include "support/RecordingResolver.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QCoroTask>

#include <algorithm>

namespace vantry::test {

namespace {

QCoro::Task<void> recordSleep(std::shared_ptr<std::vector<std::chrono::nanoseconds>> sleeps,
                              std::chrono::nanoseconds interval)
{
    sleeps->push_back(interval);
    co_return;
}

} // namespace

InventoryFixture::InventoryFixture()
{
    restartStores();
    // Markers from 90 up read as two close candidates: the row needs review.
    recognizer->answer = [](int marker, ScanFinish finish) {
        if (marker < 90)
            return MarkerRecognizer::defaultAnswer(marker, finish);
        RecognitionOutcome o;
        o.candidates = {makeCandidate("shock-a", "Shock", "M21", "159", 0.6, finish),
                        makeCandidate("shock-b", "Shock", "M20", "160", 0.58, finish)};
        return o;
    };
    TokenStore::save({{TokenStore::accessTokenKey, accessToken()}, {TokenStore::refreshTokenKey, "R-1"}});
    auth = std::make_unique<AuthService>(
        OAuthConfig(authServer.baseUrl().toString() + "/", "vantry-capture", "vantrycapture://auth", "vantrycapture"),
        web);
    service.acceptedToken = accessToken();
    const auto settings = SettingsStore::standard();
    settings->setString(SettingsKeys::apiURL, service.baseURL());
    setWorkspace("ws-1", "Main shop");
}

InventoryFixture::~InventoryFixture()
{
    ImportLedgerStore::resetForTesting();
    ImportIntentStore::resetForTesting();
}

void InventoryFixture::restartStores()
{
    ImportLedgerStore::resetForTesting();
    ImportIntentStore::resetForTesting();
    ImportIntentStore::instance().setSchedulerForTesting(&scheduler);
}

qint64 InventoryFixture::offeredAfterRestart()
{
    restartStores();
    const auto model = makeModel();
    test::waitFor(model->checkHeldImports());
    test::waitFor(model->importFromFolder(folder));
    return std::count_if(model->rows().begin(), model->rows().end(), [](const auto& r) { return r.chosen; });
}

QString InventoryFixture::accessToken(const QString& who)
{
    const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    const QByteArray payload = QJsonDocument(QJsonObject{{"email", who}}).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(QByteArray(R"({"alg":"RS256"})").toBase64(b64) + '.' + payload.toBase64(b64) +
                               ".c2lnbmF0dXJl");
}

void InventoryFixture::setWorkspace(const QString& id, const QString& name)
{
    const auto settings = SettingsStore::standard();
    settings->setString(SettingsKeys::workspaceId, id);
    settings->setString(SettingsKeys::workspaceName, name);
}

std::shared_ptr<CaptureViewModel> InventoryFixture::makeModel(AuthService* signedIn)
{
    CaptureViewModel::Collaborators c;
    c.recognizer = recognizer;
    // The service's own card lookup, with no public catalogue behind it.
    c.resolver = std::make_shared<VantryCardResolver>(service.baseURL());
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    c.scheduler = &scheduler;
    c.trainingStoreURL = home.file("training");
    c.pollSleeper = [sleeps = sleeps](std::chrono::nanoseconds interval) { return recordSleep(sleeps, interval); };
    return CaptureViewModel::create(signedIn, std::move(c));
}

void InventoryFixture::ingestMarkers(CaptureViewModel& model, const std::vector<int>& markers)
{
    for (std::size_t i = 0; i < markers.size(); ++i)
        writeMarkedScan(scan(QStringLiteral("%1.png").arg(i + 1, 2, 10, QLatin1Char('0'))), markers[i]);
    test::waitFor(model.ingest(
        [&] {
            std::vector<ScannedCard> cards;
            for (std::size_t i = 0; i < markers.size(); ++i)
                cards.push_back({int(i), scan(QStringLiteral("%1.png").arg(i + 1, 2, 10, QLatin1Char('0'))), {}});
            return cards;
        }(),
        IngestOptions{.append = false, .showProgress = true, .autoImport = false}));
}

QStringList InventoryFixture::sessionLines() const
{
    QStringList out;
    for (const QString& line : service.lines())
        if (!line.contains(QLatin1String("/cards/")))
            out << line;
    return out;
}

std::vector<QString> InventoryFixture::ledgerKeys()
{
    ImportLedgerStore::drain();
    QFile file(ImportLedgerStore::fileURL());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const auto ledger = ImportLedger::decodeStrict(file.readAll());
    if (!ledger)
        return {};
    std::vector<QString> keys(ledger->imported.begin(), ledger->imported.end());
    std::sort(keys.begin(), keys.end());
    return keys;
}

} // namespace vantry::test
