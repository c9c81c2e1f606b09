#include "SyntheticCards.h"

#include "support/SyntheticScan.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vantry::tools {

namespace {

const char* const kFirst[] = {"Amber", "Brindle", "Copper", "Dusk", "Ember", "Frost", "Gloom", "Hollow",
                              "Ivory", "Jade", "Kindle", "Lantern", "Marrow", "Nettle", "Onyx", "Pyre"};
const char* const kSecond[] = {"Warden", "Sprite", "Colossus", "Herald", "Seer", "Tyrant", "Drifter", "Oracle",
                               "Mender", "Stalker", "Chorus", "Beacon", "Harvester", "Vagrant"};

bool write(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
        return true;
    *error = QStringLiteral("cannot write ") + path;
    return false;
}

} // namespace

bool renderSyntheticCards(const QString& folder, int count, QString* error)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("images"))) {
        *error = QStringLiteral("cannot make ") + dir.filePath(QStringLiteral("images"));
        return false;
    }
    QByteArray csv = "file,set,number,lang,strip_printed,variant,name\n";
    QJsonArray catalogue;
    auto add = [&](const QString& set, const QString& number, const QString& name) {
        catalogue.append(QJsonObject{{"set", set}, {"number", number}, {"name", name}, {"lang", "en"}});
    };
    const QString modernSet = QStringLiteral("QRX"), classicSet = QStringLiteral("VLB");
    const int firsts = int(std::size(kFirst)), seconds = int(std::size(kSecond));
    for (int i = 0; i < count; ++i) {
        const QString name = QString::fromLatin1(kFirst[i % firsts]) + u' ' +
                             QString::fromLatin1(kSecond[(i * 5 + i / firsts) % seconds]);
        const bool modern = i % 3 != 2;
        const int n = 7 + i * 13 % 290;
        test::SyntheticCard card =
            modern ? test::SyntheticCard::modern(name, modernSet, QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0')),
                                                 QChar(u"CURM"[i % 4]))
                   : test::SyntheticCard::classic(name, classicSet, QString::number(n), QStringLiteral("301"),
                                                  QChar(u"CURM"[i % 4]));
        card.darkBorder = i % 4 != 1;
        card.stripOverArt = i % 5 == 4;
        card.dpi = 300;
        const QString set = modern ? modernSet : classicSet;
        const QString file = QStringLiteral("images/syn-%1.png").arg(i, 3, 10, QLatin1Char('0'));
        if (!test::saveSyntheticScan(card, dir.filePath(file))) {
            *error = QStringLiteral("cannot render ") + dir.filePath(file);
            return false;
        }
        csv += QStringLiteral("%1,%2,%3,en,yes,normal,%4\n").arg(file, set.toLower(), QString::number(n), name).toUtf8();
        add(set.toLower(), QString::number(n), name);
        if (i % 2 == 0) // a reprint in the other set
            add((modern ? classicSet : modernSet).toLower(), QString::number(n + 300), name);
    }
    return write(dir.filePath(QStringLiteral("truth.csv")), csv, error) &&
           write(dir.filePath(QStringLiteral("catalogue.json")), QJsonDocument(catalogue).toJson(), error);
}

} // namespace vantry::tools
