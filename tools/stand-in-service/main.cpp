// stand-in-service: the inventory service and its sign-in on a loopback port, answering from a
// card catalogue file and keeping what it receives in an SQLite file, for trying the
// application on a machine without the maker's servers.
#include "CardCatalogue.h"
#include "StandInService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace vantry::standin;

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "stand-in-service: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves the inventory service's API (/api), its sign-in (/auth) and the stored inventory (/) on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Folder of the inventory database."),
                                        QStringLiteral("folder"));
    const QCommandLineOption catalogueOption(QStringLiteral("catalogue"),
                                             QStringLiteral("Card catalogue file (tab-separated)."), QStringLiteral("file"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Loopback port; 0 picks a free one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption signInOption(
        QStringLiteral("sign-in"),
        QStringLiteral("Issue a token pair and write it as the application's token file, then exit."),
        QStringLiteral("token-file"));
    const QCommandLineOption emailOption(QStringLiteral("email"), QStringLiteral("E-mail address for --sign-in."),
                                         QStringLiteral("address"), QStringLiteral("demo@vantry.test"));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("Print the stored inventory (tab-separated) and exit."));
    parser.addOptions({dataOption, catalogueOption, portOption, signInOption, emailOption, listOption});
    parser.process(app);

    if (!parser.isSet(dataOption))
        return fail(QStringLiteral("--data <folder> is required"));
    const QString folder = QDir(parser.value(dataOption)).absolutePath();

    if (parser.isSet(signInOption) || parser.isSet(listOption)) {
        if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create the folder %1").arg(folder));
        InventoryDatabase db(StandInService::databasePath(folder));
        if (!db.error().isEmpty())
            return fail(QStringLiteral("cannot use the database %1: %2").arg(StandInService::databasePath(folder), db.error()));
        if (parser.isSet(signInOption)) {
            if (const auto e = StandInService::signIn(db, parser.value(emailOption), parser.value(signInOption)))
                return fail(*e);
            return 0;
        }
        for (const InventoryLine& l : db.lines(StandInService::workspaceId))
            std::printf("%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\n", qPrintable(l.bin), l.count, qPrintable(l.scryfallId),
                        qPrintable(l.setCode), qPrintable(l.collectorNumber), qPrintable(l.finish),
                        qPrintable(l.condition), qPrintable(l.name));
        return 0;
    }

    if (!parser.isSet(catalogueOption))
        return fail(QStringLiteral("--catalogue <file> is required"));
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(QStringLiteral("--port must be a number from 0 to 65535"));
    std::vector<CataloguePrinting> catalogue;
    try {
        catalogue = readCardCatalogue(parser.value(catalogueOption));
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
    QString error;
    const auto service = StandInService::start(quint16(port), folder, std::move(catalogue), &error);
    if (!service)
        return fail(error);
    std::printf("stand-in-service: serving http://127.0.0.1:%u (API %s, sign-in %s), inventory in %s\n",
                unsigned(service->port()), qPrintable(service->apiURL()), qPrintable(service->issuer()),
                qPrintable(StandInService::databasePath(folder)));
    std::fflush(stdout);
    return app.exec();
}
