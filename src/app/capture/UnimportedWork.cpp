#include "app/capture/UnimportedWork.h"

#include "app/batch/SessionStore.h"
#include "app/capture/CaptureTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace vantry {

namespace {

QString folderOf(const QString& page) { return QDir::cleanPath(QFileInfo(page).absolutePath()); }

bool counts(const CaptureViewModel::Row& row) { return row.chosen.has_value() || row.isManual; }

void add(UnimportedWork& work, const CaptureViewModel::Row& row)
{
    ++work.cards;
    if (row.isManual) {
        ++work.handAdded;
    } else {
        const QString folder = folderOf(row.card.front);
        if (!work.scanFolders.contains(folder))
            work.scanFolders.append(folder);
    }
    if (row.chosen)
        work.valueUSD += row.chosen->effectivePriceUSD().value_or(0);
}

QString count(qint64 n, const QString& noun) { return QString::number(n) + QLatin1Char(' ') + noun + CaptureTexts::pluralS(n); }

// A folder as the user knows it: under the home folder as "~/…".
QString shownFolder(const QString& folder)
{
    const QString home = QDir::cleanPath(QDir::homePath());
    if (folder.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + folder.mid(home.size());
    return folder;
}

// "120 confirmed cards (3 added by hand) worth $917.70"
QString cardsPhrase(const UnimportedWork& work)
{
    QString text;
    if (work.handAdded == work.cards)
        text = count(work.cards, QStringLiteral("card")) + QStringLiteral(" added by hand");
    else if (work.handAdded > 0)
        text = count(work.cards, QStringLiteral("confirmed card")) + QStringLiteral(" (") +
               QString::number(work.handAdded) + QStringLiteral(" added by hand)");
    else
        text = count(work.cards, QStringLiteral("confirmed card"));
    if (work.valueUSD > 0)
        text += QStringLiteral(" worth $") + QString::asprintf("%.2f", work.valueUSD);
    return text;
}

// Where the scans of the lost rows are, so the user knows they can be read again.
QString scansSentence(const UnimportedWork& work)
{
    const QStringList& folders = work.scanFolders;
    const QString noScan = work.handAdded == 1 ? QStringLiteral("the card added by hand has no scan.")
                                               : QStringLiteral("cards added by hand have no scan.");
    if (folders.isEmpty())
        return noScan.left(1).toUpper() + noScan.mid(1);
    QString where = shownFolder(folders[0]);
    if (folders.size() == 2)
        where += QStringLiteral(" and ") + shownFolder(folders[1]);
    else if (folders.size() > 2)
        where += QStringLiteral(" and ") + count(folders.size() - 1, QStringLiteral("other folder"));
    return QStringLiteral("The scans stay in ") + where + (work.handAdded > 0 ? QStringLiteral("; ") + noScan : QStringLiteral("."));
}

QString holders(const UnimportedWork& work)
{
    return work.tabs <= 1 ? QStringLiteral("A batch tab holds ") : QString::number(work.tabs) + QStringLiteral(" batch tabs hold ");
}

// `many` for several cards, `one` for a single one.
QString byCount(const UnimportedWork& work, const char* one, const char* many)
{
    return QString::fromUtf8(work.cards == 1 ? one : many);
}

QString notImported(const UnimportedWork& work)
{
    return count(work.cards, QStringLiteral("card")) + QStringLiteral(" not imported?");
}

AlertSpec alert(QString name, QString title, QString message, QString button, std::function<void()> proceed,
                std::function<void()> cancel)
{
    return AlertSpec{std::move(name),
                     std::move(title),
                     std::move(message),
                     {{QStringLiteral("Cancel"), AlertSpec::Role::cancel, std::move(cancel)},
                      {std::move(button), AlertSpec::Role::destructive, std::move(proceed)}}};
}

} // namespace

UnimportedWork UnimportedWork::of(const std::vector<CaptureViewModel::Row>& rows)
{
    UnimportedWork work;
    for (const CaptureViewModel::Row& row : rows)
        if (counts(row))
            add(work, row);
    work.tabs = work.any() ? 1 : 0;
    return work;
}

UnimportedWork UnimportedWork::ofScansIn(const std::vector<CaptureViewModel::Row>& rows, const QString& folder)
{
    const QString cleaned = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    UnimportedWork work;
    for (const CaptureViewModel::Row& row : rows) {
        const bool inFolder = !row.isManual && (folderOf(row.card.front) == cleaned ||
                                                (row.card.back && folderOf(*row.card.back) == cleaned));
        if (counts(row) && inFolder)
            add(work, row);
    }
    work.tabs = work.any() ? 1 : 0;
    return work;
}

UnimportedWork UnimportedWork::of(const SessionStore& store)
{
    UnimportedWork work;
    for (const auto& session : store.sessions())
        work += of(session->viewModel()->rows());
    return work;
}

UnimportedWork& UnimportedWork::operator+=(const UnimportedWork& other)
{
    cards += other.cards;
    handAdded += other.handAdded;
    valueUSD += other.valueUSD;
    tabs += other.tabs;
    for (const QString& folder : other.scanFolders)
        if (!scanFolders.contains(folder))
            scanFolders.append(folder);
    return *this;
}

namespace UnimportedWorkAlerts {

AlertSpec closeTab(const UnimportedWork& work, const QString& tabTitle, std::function<void()> proceed,
                   std::function<void()> cancel)
{
    return alert(QStringLiteral("closeTabAlert"),
                 QStringLiteral("Close \"") + tabTitle + QStringLiteral("\" with ") + notImported(work),
                 QStringLiteral("This tab holds ") + cardsPhrase(work) +
                     QStringLiteral(", not imported yet. Closing the tab drops ") + byCount(work, "it", "them") +
                     QStringLiteral(" from the review list. ") +
                     scansSentence(work),
                 QStringLiteral("Close Tab"), std::move(proceed), std::move(cancel));
}

AlertSpec quit(const UnimportedWork& work, std::function<void()> proceed, std::function<void()> cancel)
{
    return alert(QStringLiteral("quitAlert"), QStringLiteral("Quit with ") + notImported(work),
                 holders(work) + cardsPhrase(work) + QStringLiteral(", not imported yet. Quitting drops ") +
                     byCount(work, "it. ", "them. ") +
                     scansSentence(work),
                 QStringLiteral("Quit"), std::move(proceed), std::move(cancel));
}

AlertSpec signOut(const UnimportedWork& work, std::function<void()> proceed, std::function<void()> cancel)
{
    return alert(QStringLiteral("signOutAlert"), QStringLiteral("Sign out with ") + notImported(work),
                 holders(work) + cardsPhrase(work) +
                     QStringLiteral(", not imported yet. ") +
                     byCount(work, "It stays in its tab", "They stay in their tabs") +
                     QStringLiteral(" while Vantry Capture runs and ") + byCount(work, "is", "are") +
                     QStringLiteral(" there when you sign in again; quitting drops ") + byCount(work, "it. ", "them. ") +
                     scansSentence(work),
                 QStringLiteral("Sign Out"), std::move(proceed), std::move(cancel));
}

AlertSpec clearFolder(const UnimportedWork& work, const QString& folderName, const QString& archiveName,
                      std::function<void()> proceed, std::function<void()> cancel)
{
    return alert(QStringLiteral("clearFolderAlert"),
                 QStringLiteral("Clear \"") + folderName + QStringLiteral("\" with ") + notImported(work),
                 QStringLiteral("This tab holds ") + cardsPhrase(work) + QStringLiteral(", not imported yet, scanned into ") +
                     folderName + QStringLiteral(". Clear Folder moves the scans into ") + folderName +
                     QLatin1Char('/') + archiveName + QStringLiteral("; ") +
                     byCount(work, "the row stays", "the rows stay") +
                     QStringLiteral(" in this tab and import") + byCount(work, "s", "") + QStringLiteral(" from there."),
                 QStringLiteral("Clear Folder"), std::move(proceed), std::move(cancel));
}

} // namespace UnimportedWorkAlerts

void closeTabAsking(SessionStore& store, const QUuid& id, AlertPrompter& prompter)
{
    if (store.sessions().size() < 2)
        return;
    const auto it = std::find_if(store.sessions().begin(), store.sessions().end(),
                                 [&](const auto& session) { return session->id() == id; });
    if (it == store.sessions().end())
        return;
    QPointer<SessionStore> guard(&store);
    auto close = [guard, id] {
        if (guard)
            guard->close(id);
    };
    const UnimportedWork work = UnimportedWork::of((*it)->viewModel()->rows());
    if (!work.any()) {
        close();
        return;
    }
    prompter.present(UnimportedWorkAlerts::closeTab(work, (*it)->title(), std::move(close)));
}

} // namespace vantry
