// Renders every screen state into PNG files, on the offscreen platform with fake services
// and a temporary home, so a reviewer can look at each state without a scanner or account.
//   screenshots <output-folder>
#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/batch/BatchSession.h"
#include "app/batch/ImportOutcome.h"
#include "app/batch/ImportTexts.h"
#include "app/batch/SessionStore.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureCommands.h"
#include "app/capture/UnimportedWork.h"
#include "views/BatchTabStrip.h"
#include "views/CaptureView.h"
#include "views/CardRow.h"
#include "views/ManualAddSheet.h"
#include "views/MainWindow.h"
#include "views/ReviewList.h"
#include "views/RecountCorrectionSheet.h"
#include "views/RecountPrintingRow.h"
#include "views/RecountView.h"
#include "views/RootCaptureView.h"
#include "views/ScannerSettingsCard.h"
#include "views/SettingsView.h"
#include "core/intake/FolderWatcher.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/records/TrainingDataStore.h"
#include "platform/FakePreferenceDomains.h"
#include "platform/FakeSavePanel.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/FakeScannerDevice.h"
#include "platform/FakeUpdater.h"
#include "platform/VirtualDelayScheduler.h"
#include "platform/FakeWebAuthSession.h"
#include "support/CaptureViewModelTestAccess.h"
#include "support/FakeInventoryService.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <QTimer>
#include <QToolButton>

#include <QCoroTask>

#include <cstdio>
#include <functional>
#include <memory>

using namespace vantry;

namespace {

struct Shot {
    QString name;
    std::function<void(const QString& outputFolder)> render;
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(QWidget* widget, const QString& path)
{
    settle();
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

// The shell over a fake browser session and updater; `signedIn` stores a token first.
struct ShellScene {
    explicit ShellScene(bool signedIn)
    {
        if (signedIn)
            TokenStore::set(QStringLiteral("screenshot-access"), TokenStore::accessTokenKey);
        else
            TokenStore::remove({TokenStore::accessTokenKey, TokenStore::refreshTokenKey});
        auth = std::make_unique<AuthService>(web);
        auto* tabs = new QLabel(QStringLiteral("Signed in."));
        tabs->setAlignment(Qt::AlignCenter);
        window = std::make_unique<MainWindow>(auth_(), updater, tabs);
        window->resize(1100, 760);
        window->show();
    }
    AuthService& auth_() { return *auth; }

    FakeWebAuthSession web;
    FakeUpdater updater;
    std::unique_ptr<AuthService> auth;
    std::unique_ptr<MainWindow> window;
};

// Card images come from a port nothing listens on: the rows show their placeholders.
QString closedImageServer() { return QStringLiteral("http://127.0.0.1:9/"); }

// A scan as the thumbnail shows it: a card with a dark frame, a coloured art box and its name.
QImage scanOf(const QString& name, QColor art)
{
    QImage image(264, 368, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(24, 24, 24));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(14, 14, 236, 340), QColor(222, 214, 196));
    p.fillRect(QRect(24, 52, 216, 160), art);
    QFont font = p.font();
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(24, 20, 216, 28), Qt::AlignVCenter | Qt::AlignLeft, name);
    font.setPixelSize(10);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(24, 320, 216, 24), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("0146 · M10 • EN"));
    return image;
}

Candidate printing(const QString& id, const QString& name, const QString& set, const QString& number,
                   std::optional<double> usd, double score = 0)
{
    Candidate c;
    c.scryfallId = id;
    c.name = name;
    c.setCode = set;
    c.collectorNumber = number;
    c.priceUSD = usd;
    c.score = score;
    return c;
}

// Rows of every kind the review list shows: automatic, needing review, unresolved, a token, a
// chase card, a reviewed row, an Art Series card.
std::vector<CaptureViewModel::Row> reviewRows()
{
    using Row = CaptureViewModel::Row;
    std::vector<Row> rows;
    auto add = [&rows](Row row) {
        row.id = QUuid::createUuid();
        row.card.index = qint64(rows.size());
        row.card.front = QStringLiteral("/home/me/Pictures/B0012/scan_%1.jpg").arg(rows.size() + 1, 4, 10, QChar('0'));
        rows.push_back(std::move(row));
    };
    Row bolt;
    bolt.thumbnail = scanOf("Lightning Bolt", QColor(200, 70, 40));
    bolt.candidates = {printing("e3285e6b", "Lightning Bolt", "m10", "146", 1.48, 0.97)};
    bolt.chosen = bolt.candidates.front();
    bolt.disposition = Disposition::autoConfirm;
    add(bolt);

    Row review;
    review.thumbnail = scanOf("Counterspell", QColor(60, 110, 200));
    review.candidates = {printing("a1b2c3d4", "Counterspell", "mh2", "267", 1.9, 0.81),
                         printing("b2c3d4e5", "Counterspell", "cmr", "395", 0.85, 0.62),
                         printing("c3d4e5f6", "Counterspell", "7ed", "67", 2.4, 0.4)};
    review.disposition = Disposition::review;
    add(review);

    Row unresolved;
    unresolved.thumbnail = scanOf("", QColor(90, 90, 90));
    unresolved.disposition = Disposition::unresolved;
    unresolved.noTextDetected = true;
    unresolved.readNote = QStringLiteral("No text detected — the card may be upside down or face-down. Rotate it, "
                                         "search below or Skip.");
    add(unresolved);

    Row token;
    token.thumbnail = scanOf("Goblin", QColor(170, 60, 50));
    Candidate goblin = printing("9f8e7d6c", "Goblin", "totj", "7", 0.45, 0.9);
    PhysicalTokenMetadata product;
    product.name = QStringLiteral("Goblin // Treasure");
    product.bestPriceUsd = 0.45;
    product.faces = {PhysicalTokenFace{"Goblin", "totj", "7", 0.45}, PhysicalTokenFace{"Treasure", "totj", "21", {}}};
    goblin.physicalToken = product;
    token.candidates = {goblin};
    token.chosen = goblin;
    token.isToken = true;
    token.disposition = Disposition::review;
    add(token);

    Row chase;
    chase.thumbnail = scanOf("Ragavan, Nimble Pilferer", QColor(190, 90, 30));
    Candidate ragavan = printing("5e6f7a8b", "Ragavan, Nimble Pilferer", "mh2", "138", 58.0, 0.96);
    ragavan.priceUsdFoil = 74.25;
    ragavan.finish = ScanFinish::foil;
    chase.candidates = {ragavan};
    chase.chosen = ragavan;
    chase.disposition = Disposition::autoConfirm;
    add(chase);

    Row reviewed;
    reviewed.thumbnail = scanOf("Llanowar Elves", QColor(60, 150, 70));
    reviewed.candidates = {printing("7b8c9d0e", "Llanowar Elves", "dom", "168", 7.5, 0.95)};
    reviewed.chosen = reviewed.candidates.front();
    reviewed.disposition = Disposition::autoConfirm;
    reviewed.reviewed = true;
    add(reviewed);

    Row art;
    art.thumbnail = scanOf("Art Series: Sheoldred", QColor(120, 60, 150));
    Candidate sheoldred = printing("0a1b2c3d", "Sheoldred, the Apocalypse // Art Card", "admu", "54", 0.3, 0.74);
    sheoldred.isArtSeries = true;
    sheoldred.priceUsdSignature = 24.0;
    art.candidates = {sheoldred, printing("1b2c3d4e", "Sheoldred Art Card Long Name That Goes On And On And On", "adsk",
                                          "12", {}, 0.0)};
    art.isArtSeries = true;
    art.isToken = true;
    art.disposition = Disposition::review;
    add(art);
    return rows;
}

// One card row on its own, as the list and the recount screen show it.
void saveCardRow(const QString& path, const CaptureViewModel::Row& row, int width = 980)
{
    CaptureViewModel::Collaborators c;
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    auto model = CaptureViewModel::create(nullptr, std::move(c));
    test::testAccess(*model).setRows({row});
    QWidget frame;
    frame.setAutoFillBackground(true);
    frame.setBackgroundRole(QPalette::Base);
    auto* layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* widget = new CardRow(model, row.id, {nullptr, closedImageServer(), true}, &frame);
    layout->addWidget(widget);
    frame.resize(width, widget->heightFor(width));
    frame.show();
    save(&frame, path);
}

// A catalogue of a few printings, answering name searches at once.
class ScreenshotCatalogue final : public CardResolving {
public:
    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString, QString, ScanFinish,
                                                            std::optional<QString>) const override
    {
        co_return std::vector<Candidate>{};
    }
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override
    {
        struct Entry {
            const char* name;
            const char* set;
            const char* number;
            std::optional<double> price;
            bool art;
        };
        const Entry entries[] = {{"Llanowar Elves", "dom", "168", 0.25, false},
                                 {"Llanowar Elves", "m19", "314", 0.19, false},
                                 {"Llanowar Elves", "a25", "175", std::nullopt, false},
                                 {"Llanowar Elves // Art Card", "adom", "38", 1.5, true},
                                 {"Llanowar Elves (Showcase, extended-art borderless printing)", "j25", "245", 64.9,
                                  false}};
        std::vector<Candidate> found;
        for (const Entry& e : entries) {
            if (!QString::fromUtf8(e.name).contains(text.section(' ', 0, 0), Qt::CaseInsensitive))
                continue;
            Candidate c;
            c.scryfallId = QStringLiteral("%1-%2").arg(e.set, e.number);
            c.name = QString::fromUtf8(e.name);
            c.setCode = QString::fromUtf8(e.set);
            c.collectorNumber = QString::fromUtf8(e.number);
            c.finish = finish;
            c.priceUSD = e.price;
            c.isArtSeries = e.art;
            found.push_back(c);
        }
        co_return found;
    }
};

// The signed-in window over batch tabs of fake scanners and no network.
struct CaptureScene {
    explicit CaptureScene(int tabs = 1, bool directScan = true,
                          const QString& accessToken = QStringLiteral("screenshot-access"))
    {
        SettingsStore::standard()->setBoolean(SettingsKeys::directScanEnabled, directScan);
        SettingsStore::standard()->remove(SettingsKeys::scanFolder);
        TokenStore::set(accessToken, TokenStore::accessTokenKey);
        auth = std::make_unique<AuthService>(web);
        store = std::make_unique<SessionStore>([this](const QString& path) {
            CaptureViewModel::Collaborators c;
            c.artMatcher = std::shared_ptr<const ArtCardMatching>();
            c.scheduler = &scheduler;
            c.resolver = std::make_shared<ScreenshotCatalogue>();
            BatchSession::Parts parts;
            parts.viewModel = CaptureViewModel::create(auth.get(), std::move(c));
            parts.watcher = std::make_unique<FolderWatcher>();
            parts.scanner = std::make_unique<ScannerController>(
                [this] {
                    return std::unique_ptr<ScannerBrowser>(
                        std::make_unique<FakeScannerBrowser>(QList<std::shared_ptr<ScannerDevice>>{scannerDevice}));
                },
                scheduler);
            return std::make_shared<BatchSession>(std::move(parts), path);
        });
        for (int i = 1; i < tabs; ++i)
            store->addSession();
        root = new RootCaptureView(*store, {SettingsStore::standard(), &scheduler, &preferences, nullptr, {},
                                            closedImageServer()});
        window = std::make_unique<MainWindow>(*auth, updater, root);
        window->resize(1100, 760);
        window->show();
    }
    ~CaptureScene() { window.reset(); }
    CaptureViewModel& model() const { return *store->selected().viewModel(); }

    static CaptureViewModel::Row row(int index, bool confirmed, bool noText = false)
    {
        CaptureViewModel::Row r;
        r.id = QUuid::createUuid();
        r.card.index = index;
        if (confirmed) {
            Candidate c;
            c.scryfallId = QStringLiteral("card-%1").arg(index);
            c.name = QStringList{"Lightning Bolt", "Counterspell", "Llanowar Elves", "Dark Ritual"}[index % 4];
            c.setCode = QStringLiteral("m10");
            c.collectorNumber = QString::number(100 + index);
            r.candidates = {c};
            r.chosen = c;
        }
        r.noTextDetected = noText;
        return r;
    }
    // `priced`: the confirmed cards carry prices.
    void fill(bool priced = false)
    {
        std::vector<CaptureViewModel::Row> rows{row(1, true), row(2, true), row(3, false, true), row(4, true),
                                                row(5, false)};
        if (priced) {
            const double prices[] = {0, 2.49, 0.35, 0, 11.2, 0};
            for (auto& r : rows)
                if (r.chosen)
                    r.chosen->priceUSD = prices[r.card.index];
        }
        test::testAccess(model()).setRows(std::move(rows));
    }
    // Watches a scan folder into which two pages have come, one still settling.
    void watch(bool paused)
    {
        const QString folder = QDir::home().filePath("Pictures/B0012");
        QDir().mkpath(folder);
        BatchSession& session = store->selected();
        session.setScanFolderPath(folder);
        QDateTime now = QDateTime::currentDateTime();
        session.watcher().setClock([&now] { return now; });
        session.watcher().start(folder);
        for (const char* name : {"scan_0001.png", "scan_0002.png"}) {
            QFile page(folder + '/' + name);
            page.open(QIODevice::WriteOnly);
            page.write("page");
        }
        session.watcher().tick();
        session.watcher().setClock([] { return QDateTime::currentDateTime(); });
        fill();
        if (paused)
            session.watcher().pause();
        test::testAccess(model()).setStatusMessage(paused ? CaptureCommandTexts::pausedStatus()
                                                          : CaptureCommandTexts::watchingStatus("B0012", 0));
    }
    // A batch with every chip: finishes, an art card, a token, a multi-feed, reviewed rows, sets.
    void fillVaried()
    {
        std::vector<CaptureViewModel::Row> rows;
        for (int i = 0; i < 12; ++i) {
            auto r = row(i, i % 5 != 4);
            if (r.chosen) {
                r.chosen->setCode = QStringList{"m10", "dom", "neo", "m10"}[i % 4];
                r.chosen->finish = i % 3 == 0 ? ScanFinish::foil : (i == 7 ? ScanFinish::etched : ScanFinish::nonfoil);
                r.chosen->priceUSD = 0.5 * i;
                r.chosen->isArtSeries = i == 2;
                r.disposition = Disposition::autoConfirm;
                r.reviewed = i == 1 || i == 6;
            }
            r.isToken = i == 5;
            r.isMultiFeed = i == 8;
            rows.push_back(r);
        }
        test::testAccess(model()).setRows(rows);
    }
    CaptureView& view() const { return *root->captureView(); }
    void search(const QString& text)
    {
        view().state().filters.searchText = text;
        view().refresh();
    }

    FakeWebAuthSession web;
    FakeUpdater updater;
    VirtualDelayScheduler scheduler;
    // The clock never moves: a scan started on this device stays running.
    std::shared_ptr<ScannerDevice> scannerDevice =
        std::make_shared<FakeScannerDevice>(FakeScannerDevice::Script{.name = "fi-8170"}, scheduler);
    FakePreferenceDomains preferences;
    std::unique_ptr<AuthService> auth;
    std::unique_ptr<SessionStore> store;
    RootCaptureView* root = nullptr;
    std::unique_ptr<MainWindow> window;
};

// The settings window as the shell opens it, over the process's settings and `store`.
void saveSettings(const QString& path, std::shared_ptr<TrainingDataStore> store, bool signedIn)
{
    ShellScene scene(signedIn);
    scene.window->setSettingsContentFactory([&scene, store](QWidget* parent) -> QWidget* {
        return new SettingsView(*scene.auth, SettingsStore::standard(), std::make_shared<FakeSavePanel>(std::nullopt),
                                store, parent);
    });
    scene.window->showSettings();
    QWidget* window = scene.window->settingsWindow();
    settle();
    // Counts come from the CPU pool.
    for (int i = 0; i < 50; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    auto* view = window->findChild<SettingsView*>();
    window->resize(440, view->sizeHint().height());
    save(window, path);
    // The whole form, unscrolled.
    if (auto* form = window->findChild<QWidget*>("settingsForm")) {
        form->resize(form->width(), form->heightForWidth(form->width()) > 0 ? form->heightForWidth(form->width())
                                                                            : form->sizeHint().height());
        QString full = path;
        full.replace(".png", "-full.png");
        settle();
        const bool saved = form->grab().save(full);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(full));
    }
}

std::shared_ptr<TrainingDataStore> storeWithLabels(const QString& folder)
{
    auto store = std::make_shared<TrainingDataStore>(folder);
    std::vector<std::pair<TrainingLabel, QImage>> batch;
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    const ScanFinish finishes[] = {ScanFinish::nonfoil, ScanFinish::foil, ScanFinish::nonfoil, ScanFinish::etched,
                                   ScanFinish::nonfoil, ScanFinish::nonfoil, ScanFinish::foil};
    int i = 0;
    for (ScanFinish finish : finishes) {
        const QString id = QStringLiteral("label-%1").arg(i);
        batch.push_back({{id, "sf-" + id, finish, i % 3 == 0, QStringLiteral("2026-01-01T00:00:%1").arg(i, 2, 10, QChar('0')),
                          id + ".jpg", "0.1.0"},
                         image});
        ++i;
    }
    store->appendBatch(std::move(batch), false);
    return store;
}

// The scanner settings card at its full width, on a plain window.
void saveScannerCard(const QString& path)
{
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(16, 16, 16, 16);
    auto* card = new ScannerSettingsCard(SettingsStore::standard(), &frame);
    card->setFixedWidth(ScannerSettingsCard::maximumCardWidth);
    layout->addWidget(card);
    frame.show();
    frame.resize(ScannerSettingsCard::maximumCardWidth + 32,
                 layout->totalHeightForWidth(ScannerSettingsCard::maximumCardWidth + 32));
    save(&frame, path);
}

// A recount in progress: old bin B0012 confirmed against loaded bins, stacks of four
// printings and one scan still needing review; `assigned` files them into two bins.
// A folder of `count` scans whose every scan the ledger holds, read as Import Folder reads it.
void importFolderImportedBefore(CaptureScene& scene, const QString& folder, int count)
{
    QDir().mkpath(folder);
    std::vector<QString> keys;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/scan_%1.png").arg(i + 1, 4, 10, QLatin1Char('0'));
        scanOf(QStringLiteral("Card %1").arg(i + 1), QColor::fromHsv((i * 37) % 360, 120, 200)).save(path);
        keys.push_back(*ImportLedgerStore::hash(path));
    }
    ImportLedgerStore::record(keys);
    scene.store->selected().setScanFolderPath(folder);
    QCoro::waitFor(scene.model().importFromFolder(folder));
    settle();
}

void fillRecount(CaptureScene& scene, bool assigned)
{
    CaptureViewModel& model = scene.model();
    scene.store->selected().setScanFolderPath("/home/me/Pictures/B0012");
    std::vector<CaptureViewModel::Row> rows;
    for (int i = 0; i < 9; ++i) {
        rows.push_back(CaptureScene::row(i % 4 + (i >= 8 ? 4 : 0), true));
        rows.back().card.index = i + 1;
        rows.back().disposition = Disposition::autoConfirm;
    }
    rows[7].chosen->finish = ScanFinish::foil;
    CaptureViewModel::Row open = CaptureScene::row(20, false);
    Candidate a;
    a.scryfallId = "shock-a";
    a.name = "Shock";
    a.setCode = "m21";
    a.collectorNumber = "159";
    a.score = 0.61;
    Candidate b = a;
    b.scryfallId = "shock-b";
    b.setCode = "m20";
    b.collectorNumber = "160";
    b.score = 0.58;
    open.candidates = {a, b};
    open.disposition = Disposition::review;
    rows.push_back(open);
    test::testAccess(model).setRows(rows);
    test::testAccess(model).setReplaceBinsText("B0012");
    // Recount mode makes the window load the workspace's bins; with no service (a closed
    // loopback port) that load fails at once, and the bins below stand in for its answer.
    SettingsStore::standard()->setString(SettingsKeys::apiURL, QStringLiteral("http://127.0.0.1:9"));
    test::testAccess(model).setReplaceMode(true);
    QDeadlineTimer deadline(10000);
    while (!model.binList()->inventoryBinsError() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    test::testAccess(model).setInventoryBins(
        {{"B0011", 40, 112, {}}, {"B0012", 37, 96, {}}, {"B0012b", 4, 9, {}}, {"B0013", 51, 140, {}}});
    test::testAccess(model).setInventoryBinsLoadedAt(QDateTime::currentDateTimeUtc());
    test::testAccess(model).setInventoryBinsError(std::nullopt);
    if (!assigned)
        return;
    const auto items = model.items();
    CaptureViewModel::BinMap bins;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (i != 2)
            bins[items[i].itemId] = i % 2 == 0 ? "B0012" : "B0012b";
    test::testAccess(model).setBinByPrinting(bins);
    test::testAccess(model).setSelectedPrintings({items[2].itemId});
}

void previewRecount(CaptureScene& scene)
{
    ScanReplaceResult preview;
    preview.created = 7;
    preview.retired = 12;
    preview.retiredValueUsd = 48.75;
    test::testAccess(scene.model()).setPendingPreview(preview);
    test::testAccess(scene.model()).setStatusMessage("Recount preview: 7 new, 12 to retire.");
}

// The alert the footer's Import raises for a batch on `folder`.
void saveImportAlert(const QString& folder, const char* alertName, const QString& path)
{
    // Without a workspace Import is blocked before it asks.
    SettingsStore::standard()->setString(SettingsKeys::workspaceId, "ws-2041");
    SettingsStore::standard()->setString(SettingsKeys::workspaceName, "Northside Cards");
    CaptureScene scene;
    scene.store->selected().setScanFolderPath(folder);
    scene.fill();
    settle();
    scene.root->findChild<CaptureView*>()->state().commands().requestNormalImport();
    settle();
    if (auto* box = scene.window->findChild<QDialog*>(alertName))
        save(box, path);
    else
        std::printf("FAILED %s (no alert)\n", qPrintable(path));
    SettingsStore::standard()->remove(SettingsKeys::workspaceId);
    SettingsStore::standard()->remove(SettingsKeys::workspaceName);
}

// A tab on a folder under Pictures holding `confirmed` priced cards not imported yet, and one
// that still needs review.
void fillUnimported(BatchSession& session, const QString& folderName, int confirmed)
{
    const QString folder = QDir::home().filePath("Pictures/" + folderName);
    QDir().mkpath(folder);
    session.setScanFolderPath(folder);
    std::vector<CaptureViewModel::Row> rows;
    for (int i = 0; i <= confirmed; ++i) {
        auto row = CaptureScene::row(i, i < confirmed);
        row.card.front = folder + QStringLiteral("/scan_%1.png").arg(i + 1, 4, 10, QLatin1Char('0'));
        if (row.chosen)
            row.chosen->priceUSD = 7.65 + 0.5 * (i % 3);
        rows.push_back(row);
    }
    test::testAccess(*session.viewModel()).setRows(std::move(rows));
}

// The window with one import (or recount) of Main shop held in scan session 5f1c2e9a.
void saveHeldBanner(const QString& path, ImportIntent::Kind kind, const QString& bin, int printings)
{
    CaptureScene scene;
    scene.fill();
    ImportIntentStore& intents = ImportIntentStore::instance();
    ImportIntent intent;
    intent.kind = kind;
    intent.workspaceId = "ws-1";
    intent.workspaceName = "Main shop";
    intent.bin = bin;
    intent.keys = {"key-1", "key-2"};
    intent.printings = printings;
    const QUuid id = intents.reserve(intent);
    QCoro::waitFor(intents.markSent(id, "5f1c2e9a"));
    intents.markUnknown(id);
    settle();
    save(scene.window.get(), path);
    QCoro::waitFor(intents.release(id));
}

void saveAlert(QWidget* window, const char* name, const QString& path)
{
    settle();
    if (auto* box = window->findChild<QDialog*>(name))
        save(box, path);
    else
        std::printf("FAILED %s (no alert)\n", qPrintable(path));
}

QList<Shot> shots()
{
    return {
        {"settings-defaults", [](const QString& out) {
             saveSettings(out + "/settings-defaults.png", nullptr, false);
         }},
        {"settings-training-labels", [](const QString& out) {
             auto store = storeWithLabels(QDir::home().filePath(".local/share/VantryCapture/training"));
             {
                 auto settings = SettingsStore::standard();
                 settings->setString(QStringLiteral("vy.workspaceId"), QStringLiteral("ws-2041"));
                 settings->setString(QStringLiteral("vy.autoThreshold"), QStringLiteral("0.9337"));
                 settings->setString(QStringLiteral("vy.gapMin"), QStringLiteral("0")); // the lowest position
                 settings->setString(QStringLiteral("vy.binPrefix"), QStringLiteral("B7"));
             }
             saveSettings(out + "/settings-training-labels.png", store, true);
             store->wipe();
         }},
        {"scanner-settings-card", [](const QString& out) { saveScannerCard(out + "/scanner-settings-card.png"); }},
        {"scanner-settings-card-off", [](const QString& out) {
             SettingsStore::standard()->setBoolean(QStringLiteral("vy.directScanEnabled"), false);
             SettingsStore::standard()->setInteger(QStringLiteral("vy.scanResolutionDpi"), 400);
             saveScannerCard(out + "/scanner-settings-card-off.png");
         }},
        {"sign-in", [](const QString& out) {
             ShellScene scene(false);
             save(scene.window.get(), out + "/sign-in.png");
         }},
        {"sign-in-error", [](const QString& out) {
             ShellScene scene(false);
             scene.auth->signIn(AuthProvider::google);
             scene.web.cancel();
             settle();
             save(scene.window.get(), out + "/sign-in-error.png");
         }},
        {"sign-in-without-browser", [](const QString& out) {
             ShellScene scene(false);
             scene.web.browserOpens = false;
             scene.auth->signIn(AuthProvider::google);
             settle();
             save(scene.window.get(), out + "/sign-in-without-browser.png");
         }},
        {"signed-in", [](const QString& out) {
             ShellScene scene(true);
             save(scene.window.get(), out + "/signed-in.png");
         }},
        {"update-available", [](const QString& out) {
             ShellScene scene(true);
             scene.updater.finish({UpdateCheckResult::Kind::available, "0.1.0", "0.2.0",
                                   QUrl("https://vantry.invalid/download"), {}});
             settle();
             if (auto* box = scene.window->findChild<QMessageBox*>("updateAlert"))
                 save(box, out + "/update-available.png");
         }},
        {"update-failed", [](const QString& out) {
             ShellScene scene(true);
             scene.updater.finish({UpdateCheckResult::Kind::failed, "0.1.0", {}, {},
                                   "The update feed is not readable XML (Premature end of document.)."});
             settle();
             if (auto* box = scene.window->findChild<QMessageBox*>("updateAlert"))
                 save(box, out + "/update-failed.png");
         }},
        {"tabs-one", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             save(scene.window.get(), out + "/tabs-one.png");
         }},
        {"tabs-several", [](const QString& out) {
             CaptureScene scene(3);
             scene.store->sessions()[0]->setScanFolderPath("/home/me/Pictures/B0012 commons");
             test::testAccess(*scene.store->sessions()[0]->viewModel())
                 .setRows({CaptureScene::row(1, false), CaptureScene::row(2, false)});
             scene.store->sessions()[1]->setScanFolderPath("/home/me/Pictures/B0013");
             scene.fill();
             save(scene.window.get(), out + "/tabs-several.png");
         }},
        {"empty-direct-on", [](const QString& out) {
             CaptureScene scene(1, true);
             save(scene.window.get(), out + "/empty-direct-on.png");
         }},
        {"empty-direct-on-scrolled", [](const QString& out) {
             // The scanner settings card at the foot of the guidance.
             CaptureScene scene(1, true);
             settle();
             if (auto* scroll = scene.window->findChild<QScrollArea*>("emptyState"))
                 scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
             save(scene.window.get(), out + "/empty-direct-on-scrolled.png");
         }},
        {"empty-direct-off", [](const QString& out) {
             CaptureScene scene(1, false);
             scene.store->selected().setScanFolderPath("/home/me/Pictures/Vantry Captures");
             save(scene.window.get(), out + "/empty-direct-off.png");
         }},
        {"banner-heal", [](const QString& out) {
             CaptureScene scene;
             scene.preferences.set("com.apple.Image_Capture", "IK_DetectSeparateItemsScanMode", 1);
             scene.store->addSession(); // the new window heals at once
             scene.fill();
             save(scene.window.get(), out + "/banner-heal.png");
         }},
        {"banner-recount", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             test::testAccess(scene.model()).setLastRecountResult(CaptureViewModel::LastRecountResult{{"B0003", "B0004"}, 42, 7});
             save(scene.window.get(), out + "/banner-recount.png");
         }},
        {"banner-recount-unknown", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             test::testAccess(scene.model()).setLastRecountResult(CaptureViewModel::LastRecountResult{{"Box 1", "B0004"}, 0, 0, false});
             save(scene.window.get(), out + "/banner-recount-unknown.png");
         }},
        {"banner-orientation", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             save(scene.window.get(), out + "/banner-orientation.png");
         }},
        {"banner-error", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             test::testAccess(scene.model()).setImportError(
                 "HTTP 409 from /v1/workspaces/ws-1/scan-sessions: the bin B0003 is locked by another recount "
                 "(session 5f1c2e). Wait for it to finish or cancel it in Vantry, then import again.");
             save(scene.window.get(), out + "/banner-error.png");
         }},
        {"banner-held", [](const QString& out) {
             saveHeldBanner(out + "/banner-held.png", ImportIntent::Kind::import, "B0012", 14);
         }},
        {"banner-held-damaged", [](const QString& out) {
             // A record cut short after its keys: the next start holds them, without session or count.
             ImportIntentStore::resetForTesting();
             QFile record(ImportIntentStore::fileURL());
             if (!record.open(QIODevice::WriteOnly))
                 return;
             record.write(R"({"intents":[{"bin":"B0012","createdAt":"2026-12-11T09:12:00.000Z",)"
                          R"("id":"0c1f6d7e-2b1a-4c3d-9e8f-5a6b7c8d9e0f","keys":["key-1","key-2"],"print)");
             record.close();
             CaptureScene scene;
             scene.fill();
             ImportIntentStore& intents = ImportIntentStore::instance();
             intents.ensureLoaded();
             settle();
             save(scene.window.get(), out + "/banner-held-damaged.png");
             for (const ImportIntent& intent : intents.held())
                 QCoro::waitFor(intents.release(intent.id));
         }},
        {"banner-held-recount", [](const QString& out) {
             saveHeldBanner(out + "/banner-held-recount.png", ImportIntent::Kind::recount, "B0003, B0004", 29);
         }},
        {"banner-not-imported", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             // The service was down when Import was pressed: the connection was refused before anything went out.
             test::testAccess(scene.model())
                 .publishImport(ImportOutcome{ImportOutcome::Failed{"Connection refused",
                                                                    ImportOutcome::Failed::Cause::unreachable}});
             save(scene.window.get(), out + "/banner-not-imported.png");
         }},
        {"banner-not-recorded", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             test::testAccess(scene.model()).setImportError(ImportTexts::notRecorded("5f1c2e9a", 14, "cannot write /home/me/.local/share/"
                                                                   "VantryCapture/imported-scans.json: No space left on device"),
                                          ImportTexts::notRecordedTitle());
             save(scene.window.get(), out + "/banner-not-recorded.png");
         }},
        {"banner-recount-not-recorded", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             test::testAccess(scene.model()).setImportError(
                 ImportTexts::recountNotRecorded("5f1c2e9a", "B0003, B0004", "cannot write /home/me/.local/share/"
                                                 "VantryCapture/imported-scans.json: No space left on device"),
                 ImportTexts::recountNotRecordedTitle());
             save(scene.window.get(), out + "/banner-recount-not-recorded.png");
         }},
        {"review-list", [](const QString& out) {
             CaptureScene scene;
             test::testAccess(scene.model()).setRows(reviewRows());
             scene.window->resize(1100, 1400);
             save(scene.window.get(), out + "/review-list.png");
         }},
        {"review-list-end", [](const QString& out) {
             CaptureScene scene;
             test::testAccess(scene.model()).setRows(reviewRows());
             settle();
             if (auto* list = scene.window->findChild<ReviewList*>("reviewList"))
                 list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
             save(scene.window.get(), out + "/review-list-end.png");
         }},
        {"review-token-row", [](const QString& out) {
             saveCardRow(out + "/review-token-row.png", reviewRows()[3]);
         }},
        {"review-search-row", [](const QString& out) {
             // A card needing review: its candidates, then the search field with its whole hint.
             saveCardRow(out + "/review-search-row.png", reviewRows()[1]);
         }},
        {"review-chase-row", [](const QString& out) {
             saveCardRow(out + "/review-chase-row.png", reviewRows()[4]);
         }},
        {"review-art-row", [](const QString& out) {
             saveCardRow(out + "/review-art-row.png", reviewRows()[6], 760);
         }},
        {"review-compare-popover", [](const QString& out) {
             CaptureViewModel::Collaborators c;
             c.artMatcher = std::shared_ptr<const ArtCardMatching>();
             auto model = CaptureViewModel::create(nullptr, std::move(c));
             test::testAccess(*model).setRows({reviewRows()[0]});
             CardRow row(model, model->rows()[0].id, {nullptr, closedImageServer(), true});
             row.resize(900, row.heightFor(900));
             row.show();
             row.showZoom();
             settle();
             QThread::msleep(200); // the closed port refuses at once
             settle();
             save(row.zoomPopover(), out + "/review-compare-popover.png");
         }},
        {"toolbar-watching", [](const QString& out) {
             CaptureScene scene;
             scene.watch(false);
             save(scene.window.get(), out + "/toolbar-watching.png");
         }},
        {"toolbar-paused", [](const QString& out) {
             CaptureScene scene;
             scene.watch(true);
             save(scene.window.get(), out + "/toolbar-paused.png");
         }},
        {"empty-nothing-new", [](const QString& out) {
             CaptureScene scene;
             importFolderImportedBefore(scene, QDir::home().filePath("Pictures/B0014"), 28);
             save(scene.window.get(), out + "/empty-nothing-new.png");
         }},
        {"toolbar-progress", [](const QString& out) {
             CaptureScene scene;
             scene.store->selected().setScanFolderPath(QDir::home().filePath("Pictures/B0012"));
             scene.fill();
             test::testAccess(scene.model()).setIsWorking(true);
             test::testAccess(scene.model()).setProgress(CaptureViewModel::Progress{14, 40});
             test::testAccess(scene.model()).setStatusMessage("Reading 40 scans…");
             save(scene.window.get(), out + "/toolbar-progress.png");
         }},
        {"toolbar-scanning", [](const QString& out) {
             CaptureScene scene;
             const QString folder = QDir::home().filePath("Pictures/B0012");
             QDir().mkpath(folder);
             BatchSession& session = scene.store->selected();
             session.setScanFolderPath(folder);
             settle();
             scene.fill();
             // Scan Batch as the toolbar runs it: the watcher starts and the scan waits for pages.
             scene.root->captureView()->state().commands().runDirectScan();
             test::testAccess(scene.model()).setIsWorking(true);
             test::testAccess(scene.model()).setProgress(CaptureViewModel::Progress{5, 12});
             save(scene.window.get(), out + "/toolbar-scanning.png");
         }},
        {"footer-confirmed", [](const QString& out) {
             SettingsStore::standard()->setString(SettingsKeys::workspaceId, "ws-2041");
             SettingsStore::standard()->setString(SettingsKeys::workspaceName, "Northside Cards");
             CaptureScene scene;
             scene.store->selected().setScanFolderPath(QDir::home().filePath("Pictures/B0012"));
             scene.fill(true);
             test::testAccess(scene.model()).setBin("B0012");
             test::testAccess(scene.model()).setStatusMessage("3 confirmed, 2 need review.");
             save(scene.window.get(), out + "/footer-confirmed.png");
             SettingsStore::standard()->remove(SettingsKeys::workspaceId);
             SettingsStore::standard()->remove(SettingsKeys::workspaceName);
         }},
        {"footer-left-out", [](const QString& out) {
             CaptureScene scene;
             scene.store->selected().setScanFolderPath(QDir::home().filePath("Pictures/B0012"));
             scene.fill();
             scene.model().addLeftOutScans(
                 {{QStringLiteral("Karte-M\uFFFDller 03.png"), LeftOutReason::nameNotUtf8, "Karte-M\xfcller 03.png"},
                  {QStringLiteral("scan_0007.png"), LeftOutReason::tooLarge, {}},
                  {QStringLiteral("scan_0008.png"), LeftOutReason::otherSideLeftOut, {}},
                  {QStringLiteral("scan_0011.png"), LeftOutReason::tooLarge, {}}});
             save(scene.window.get(), out + "/footer-left-out.png");
         }},
        {"review-search", [](const QString& out) {
             CaptureScene scene;
             scene.fillVaried();
             scene.search(QStringLiteral("bolt"));
             SettingsStore::standard()->setString(SettingsKeys::reviewSort, QStringLiteral("priceHighToLow"));
             save(scene.window.get(), out + "/review-search.png");
             SettingsStore::standard()->remove(SettingsKeys::reviewSort);
         }},
        {"review-filtered-empty", [](const QString& out) {
             CaptureScene scene;
             scene.fillVaried();
             scene.view().state().filters.setFilter = QStringLiteral("neo");
             scene.search(QStringLiteral("counterspell"));
             save(scene.window.get(), out + "/review-filtered-empty.png");
         }},
        {"manual-add-results", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             scene.view().state().requestAddManualCard();
             ManualAddSheet* sheet = scene.view().manualAddSheet();
             sheet->searchField()->setText(QStringLiteral("llanowar"));
             sheet->runSearch();
             settle();
             save(sheet, out + "/manual-add-results.png");
         }},
        {"manual-add-no-match", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             scene.view().state().requestAddManualCard();
             ManualAddSheet* sheet = scene.view().manualAddSheet();
             sheet->searchField()->setText(QStringLiteral("zzzz"));
             sheet->runSearch();
             settle();
             save(sheet, out + "/manual-add-no-match.png");
         }},
        {"import-confirmation", [](const QString& out) {
             saveImportAlert("/home/me/Pictures/B0012", "importAlert", out + "/import-confirmation.png");
         }},
        {"import-destination-defaulted", [](const QString& out) {
             // No workspace stored: the window defaults the user's first one from the service, and
             // the footer and the question name it.
             test::FakeInventoryService service;
             service.workspaces = {{"ws-7", QString("Demo shop"), QString("owner")}};
             const auto settings = SettingsStore::standard();
             settings->setString(SettingsKeys::apiURL, service.baseURL());
             settings->remove(SettingsKeys::workspaceId);
             settings->remove(SettingsKeys::workspaceName);
             // A token that names its user, as a real sign-in's does.
             const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
             const QString token = QString::fromLatin1(QByteArray(R"({"alg":"RS256"})").toBase64(b64) + '.' +
                                                       QByteArray(R"({"email":"dealer@shop.test"})").toBase64(b64) +
                                                       ".c2lnbmF0dXJl");
             {
                 CaptureScene scene(1, true, token);
                 scene.store->selected().setScanFolderPath("/home/me/Pictures/Box 1");
                 scene.fill();
                 const QDeadlineTimer defaulted(10'000);
                 while (settings->string(SettingsKeys::workspaceId).value_or(QString()).isEmpty() && !defaulted.hasExpired())
                     QApplication::processEvents(QEventLoop::AllEvents, 50);
                 save(scene.window.get(), out + "/import-destination-defaulted.png");
                 scene.root->findChild<CaptureView*>()->state().commands().requestNormalImport();
                 const QDeadlineTimer asked(10'000);
                 QDialog* box = nullptr;
                 while (!(box = scene.window->findChild<QDialog*>("importAlert")) && !asked.hasExpired())
                     QApplication::processEvents(QEventLoop::AllEvents, 50);
                 if (box)
                     save(box, out + "/import-destination-defaulted-question.png");
                 else
                     std::printf("FAILED import-destination-defaulted-question (no alert)\n");
             }
             settings->remove(SettingsKeys::apiURL);
             settings->remove(SettingsKeys::workspaceId);
             settings->remove(SettingsKeys::workspaceName);
             TokenStore::set(QStringLiteral("screenshot-access"), TokenStore::accessTokenKey);
         }},
        {"import-split-child", [](const QString& out) {
             saveImportAlert("/home/me/Pictures/B0012/B0012a", "recountOffAlert", out + "/import-split-child.png");
         }},
        {"close-tab-confirmation", [](const QString& out) {
             CaptureScene scene(2);
             fillUnimported(*scene.store->sessions()[0], "B0012", 120);
             settle();
             scene.root->tabStrip()->chips()[0]->findChild<QToolButton*>("tabClose")->click();
             saveAlert(scene.window.get(), "closeTabAlert", out + "/close-tab-confirmation.png");
         }},
        {"quit-confirmation", [](const QString& out) {
             CaptureScene scene(2);
             fillUnimported(*scene.store->sessions()[0], "B0012", 120);
             fillUnimported(*scene.store->sessions()[1], "B0013", 10);
             scene.window->setUnimportedWork([&scene] { return UnimportedWork::of(*scene.store); });
             settle();
             scene.window->close();
             saveAlert(scene.window.get(), "quitAlert", out + "/quit-confirmation.png");
         }},
        {"sign-out-confirmation", [](const QString& out) {
             CaptureScene scene;
             fillUnimported(scene.store->selected(), "B0012", 10);
             scene.window->setSettingsContentFactory([&scene](QWidget* parent) -> QWidget* {
                 auto* view = new SettingsView(*scene.auth, SettingsStore::standard(),
                                               std::make_shared<FakeSavePanel>(std::nullopt), nullptr, parent);
                 view->setUnimportedWork([&scene] { return UnimportedWork::of(*scene.store); });
                 return view;
             });
             scene.window->showSettings();
             settle();
             scene.window->settingsWindow()->findChild<QPushButton*>("signOutButton")->click();
             saveAlert(scene.window->settingsWindow(), "signOutAlert", out + "/sign-out-confirmation.png");
         }},
        {"clear-folder-confirmation", [](const QString& out) {
             CaptureScene scene;
             fillUnimported(scene.store->selected(), "B0012", 10);
             settle();
             scene.view().state().commands().archiveCurrentFolder();
             saveAlert(scene.window.get(), "clearFolderAlert", out + "/clear-folder-confirmation.png");
         }},
        {"toast", [](const QString& out) {
             CaptureScene scene;
             scene.fill();
             scene.model().showToast("Dropped 2 duplicate scans");
             save(scene.window.get(), out + "/toast.png");
         }},
        {"recount-empty", [](const QString& out) {
             CaptureScene scene;
             scene.store->selected().setScanFolderPath("/home/me/Pictures/B0012");
             test::testAccess(scene.model()).setReplaceMode(true);
             save(scene.window.get(), out + "/recount-empty.png");
         }},
        {"recount-nothing-new", [](const QString& out) {
             CaptureScene scene;
             test::testAccess(scene.model()).setReplaceMode(true);
             importFolderImportedBefore(scene, QDir::home().filePath("Pictures/B0015"), 12);
             save(scene.window.get(), out + "/recount-nothing-new.png");
         }},
        {"recount-plan", [](const QString& out) {
             CaptureScene scene;
             fillRecount(scene, true);
             save(scene.window.get(), out + "/recount-plan.png");
         }},
        {"recount-preview", [](const QString& out) {
             CaptureScene scene;
             fillRecount(scene, true);
             previewRecount(scene);
             save(scene.window.get(), out + "/recount-preview.png");
         }},
        {"recount-preview-unconfirmed", [](const QString& out) {
             // A reload after the preview found no workspace: nothing to replace is offered.
             CaptureScene scene;
             fillRecount(scene, true);
             previewRecount(scene);
             test::testAccess(scene.model()).setInventoryBins({});
             test::testAccess(scene.model()).setInventoryBinsLoadedAt(std::nullopt);
             test::testAccess(scene.model()).setInventoryBinsError(QStringLiteral("No workspace configured."));
             save(scene.window.get(), out + "/recount-preview-unconfirmed.png");
         }},
        {"recount-confirm", [](const QString& out) {
             CaptureScene scene;
             fillRecount(scene, true);
             previewRecount(scene);
             test::testAccess(scene.model()).setShowReplaceConfirm(true);
             settle();
             if (auto* box = scene.window->findChild<QDialog*>("replaceConfirm"))
                 save(box, out + "/recount-confirm.png");
         }},
        {"recount-correction", [](const QString& out) {
             CaptureScene scene;
             fillRecount(scene, true);
             settle();
             for (auto* row : scene.window->findChildren<RecountPrintingRow*>())
                 if (row->item().count > 1) {
                     row->fixButton()->click();
                     break;
                 }
             settle();
             if (auto* sheet = scene.window->findChild<RecountCorrectionSheet*>("correctionSheet"))
                 save(sheet, out + "/recount-correction.png");
         }},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing the screens store may reach the user's real files.
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toUtf8() + '/' + QByteArray(variable).toLower());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantry Capture"));
    if (argc != 2) {
        std::fputs("usage: screenshots <output-folder>\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const Shot& shot : shots()) {
        shot.render(out);
        if (!QFile::exists(out + '/' + shot.name + ".png"))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
