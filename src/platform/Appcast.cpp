#include "platform/Appcast.h"

#include <QVersionNumber>
#include <QXmlStreamReader>

namespace vantry {

namespace {

const QString sparkleNs = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

struct ItemFields {
    QString shortVersion;
    QString version;
    QUrl link;
    QUrl enclosure;
};

QUrl webAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return {};
    return url;
}

QVersionNumber numeric(const QString& text)
{
    qsizetype suffix = 0;
    const QVersionNumber number = QVersionNumber::fromString(text.trimmed(), &suffix);
    return number;
}

} // namespace

bool isNewerVersion(const QString& candidate, const QString& current)
{
    return QVersionNumber::compare(numeric(candidate), numeric(current)) > 0;
}

std::variant<AppcastRelease, QString> newestAppcastRelease(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    std::optional<AppcastRelease> best;
    std::optional<ItemFields> item;
    bool sawRss = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const auto name = reader.name();
            if (name == QLatin1String("rss"))
                sawRss = true;
            else if (name == QLatin1String("item"))
                item.emplace();
            else if (item && reader.namespaceUri() == sparkleNs && name == QLatin1String("shortVersionString"))
                item->shortVersion = reader.readElementText().trimmed();
            else if (item && reader.namespaceUri() == sparkleNs && name == QLatin1String("version"))
                item->version = reader.readElementText().trimmed();
            else if (item && reader.namespaceUri().isEmpty() && name == QLatin1String("link"))
                item->link = webAddress(reader.readElementText());
            else if (item && name == QLatin1String("enclosure")) {
                const auto attributes = reader.attributes();
                item->enclosure = webAddress(attributes.value(QStringLiteral("url")).toString());
                if (item->shortVersion.isEmpty())
                    item->shortVersion = attributes.value(sparkleNs, QStringLiteral("shortVersionString")).toString().trimmed();
                if (item->version.isEmpty())
                    item->version = attributes.value(sparkleNs, QStringLiteral("version")).toString().trimmed();
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("item") && item) {
            const QString version = !item->shortVersion.isEmpty() ? item->shortVersion : item->version;
            const QUrl page = !item->link.isEmpty() ? item->link : item->enclosure;
            if (!numeric(version).isNull() && !page.isEmpty()
                && (!best || isNewerVersion(version, best->version)))
                best = AppcastRelease{version, page};
            item.reset();
        }
    }
    if (reader.hasError())
        return QStringLiteral("The update feed is not readable XML (%1).").arg(reader.errorString());
    if (!sawRss)
        return QStringLiteral("The update feed is not an RSS feed.");
    if (!best)
        return QStringLiteral("The update feed lists no release with a version and a download address.");
    return *best;
}

} // namespace vantry
