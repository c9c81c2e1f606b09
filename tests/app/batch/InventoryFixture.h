#pragma once

#include "app/auth/AuthService.h"
#include "app/batch/CaptureViewModel.h"
#include "core/support/StdoutTrace.h"
#include "platform/FakeWebAuthSession.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/FakeHttpServer.h"
#include "support/FakeInventoryService.h"
#include "support/MarkerRecognizer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace vantry::test {

// A batch signed in to the fake inventory service on loopback, on a temporary home:
// settings point at the service with workspace "ws-1", the token file holds a token of
// "dealer@shop.test", and the sign-in service's token endpoint is `authServer`.
class InventoryFixture : public ::testing::Test {
protected:
    static inline const QString email = QStringLiteral("dealer@shop.test");

    TempHome home;
    VirtualDelayScheduler scheduler;
    FakeInventoryService service;
    FakeHttpServer authServer;
    FakeWebAuthSession web;
    std::unique_ptr<AuthService> auth;
    std::shared_ptr<MarkerRecognizer> recognizer = std::make_shared<MarkerRecognizer>();
    StdoutTrace::Capture trace;
    // Every poll wait of a recount commit, in order.
    std::shared_ptr<std::vector<std::chrono::nanoseconds>> sleeps =
        std::make_shared<std::vector<std::chrono::nanoseconds>>();
    QString folder = home.file("scans");

    InventoryFixture();
    ~InventoryFixture() override;

    // Forgets what the process-wide import stores hold, as a restart does: the next use reads
    // the data folder again.
    void restartStores();
    // After a restart (`restartStores`, a new model that checks the held imports): how many of
    // the folder's scans come back confirmed, ready to import.
    qint64 offeredAfterRestart();

    // A signed-in token (a JWT whose payload names `email`).
    static QString accessToken(const QString& who = email);
    void setWorkspace(const QString& id, const QString& name = {});
    std::shared_ptr<CaptureViewModel> makeModel(AuthService* signedIn);
    std::shared_ptr<CaptureViewModel> makeModel() { return makeModel(auth.get()); }

    QString scan(const QString& name) const { return folder + QLatin1Char('/') + name; }
    // Writes scans with these markers ("01.png", ...) and imports the folder into the model.
    void ingestMarkers(CaptureViewModel& model, const std::vector<int>& markers);
    // The service journal without the card lookup.
    QStringList sessionLines() const;
    static std::vector<QString> ledgerKeys();
};

} // namespace vantry::test
