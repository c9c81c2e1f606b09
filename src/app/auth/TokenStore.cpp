#include "app/auth/TokenStore.h"

#include "platform/Paths.h"
#include "platform/WholeFileWrite.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantry::TokenStore {

QString fileURL()
{
    return paths::appDataDir() + QStringLiteral("/auth.json");
}

QMap<QString, QString> load()
{
    QFile file(fileURL());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

QMap<QString, QString> parse(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    QMap<QString, QString> out;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return {};
        out.insert(it.key(), it.value().toString());
    }
    return out;
}

std::optional<QString> get(const QString& key)
{
    const QMap<QString, QString> object = load();
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return std::nullopt;
    return it.value();
}

bool set(const QString& value, const QString& key)
{
    QMap<QString, QString> object = load();
    object.insert(key, value);
    return save(object);
}

bool remove(const QStringList& keys)
{
    QMap<QString, QString> object = load();
    for (const QString& key : keys)
        object.remove(key);
    return save(object);
}

QByteArray encoded(const QMap<QString, QString>& object)
{
    QJsonObject json;
    for (auto it = object.begin(); it != object.end(); ++it)
        json.insert(it.key(), it.value());
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

bool save(const QMap<QString, QString>& object)
{
    const QByteArray bytes = encoded(object);

    // Created owner-only, so no file that receives a token is ever readable by others.
    return writeWholeFile(fileURL(), bytes, nullptr, 0600);
}

} // namespace vantry::TokenStore
