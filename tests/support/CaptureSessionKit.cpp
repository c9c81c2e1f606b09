#include "support/CaptureSessionKit.h"

#include "app/scanner/ScannerController.h"
#include "app/batch/BatchSession.h"
#include "core/intake/FolderWatcher.h"
#include "support/MarkerRecognizer.h"
#include "support/RecordingResolver.h"

namespace vantry::test {

SessionStore::SessionFactory CaptureSessionKit::factory()
{
    return [this](const QString& path) { return make(path); };
}

std::shared_ptr<BatchSession> CaptureSessionKit::make(const QString& scanFolderPath)
{
    auto scanner = std::make_unique<ScannerController>(
        [this] {
            auto browser = std::make_unique<FakeScannerBrowser>();
            browsers.push_back(browser.get());
            return std::unique_ptr<ScannerBrowser>(std::move(browser));
        },
        scheduler);
    browserOf[scanner.get()] = browsers.back();
    return make(scanFolderPath, std::move(scanner));
}

std::shared_ptr<BatchSession> CaptureSessionKit::make(const QString& scanFolderPath,
                                                      std::unique_ptr<ScannerController> scanner)
{
    CaptureViewModel::Collaborators c;
    c.recognizer = std::make_shared<MarkerRecognizer>();
    c.resolver = std::make_shared<RecordingResolver>();
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    c.scheduler = &scheduler;
    BatchSession::Parts parts;
    parts.viewModel = CaptureViewModel::create(auth, std::move(c));
    parts.watcher = std::make_unique<FolderWatcher>(std::chrono::milliseconds(3600'000));
    parts.scanner = std::move(scanner);
    return std::make_shared<BatchSession>(std::move(parts), scanFolderPath);
}

bool CaptureSessionKit::browsing(const BatchSession& session) const
{
    const auto it = browserOf.find(&session.scanner());
    return it != browserOf.end() && it->second->isRunning();
}

CaptureViewModel::Row CaptureSessionKit::row(int index, bool confirmed, bool reviewed, bool noText)
{
    CaptureViewModel::Row r;
    r.id = QUuid::createUuid();
    r.card.index = index;
    r.card.front = QStringLiteral("/scans/%1.png").arg(index);
    if (confirmed) {
        Candidate c;
        c.scryfallId = QStringLiteral("card-%1").arg(index);
        c.name = QStringLiteral("Card %1").arg(index);
        c.setCode = QStringLiteral("tst");
        c.collectorNumber = QString::number(index);
        r.candidates = {c};
        r.chosen = c;
    }
    r.reviewed = reviewed;
    r.noTextDetected = noText;
    return r;
}

bool FakeAlertPrompter::answer(const QString& button)
{
    if (shown.empty())
        return false;
    for (const auto& b : shown.back().buttons) {
        if (b.text == button) {
            // A copy, as the real alert runs it: the action may present the next alert.
            const auto action = b.action;
            if (action)
                action();
            return true;
        }
    }
    return false;
}

} // namespace vantry::test
