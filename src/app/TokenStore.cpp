#include "app/TokenStore.h"

#include "platform/Paths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <sys/stat.h>

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
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
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

bool save(const QMap<QString, QString>& object)
{
    QJsonObject json;
    for (auto it = object.begin(); it != object.end(); ++it)
        json.insert(it.key(), it.value());
    const QByteArray bytes = QJsonDocument(json).toJson(QJsonDocument::Compact);

    QSaveFile file(fileURL());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The temporary file is created with the umask's mode: narrow it before any token is
    // written, and check that it took, so the tokens never sit in a wider file.
    struct stat info {};
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || ::fstat(file.handle(), &info) != 0 ||
        (info.st_mode & 0077) != 0) {
        file.cancelWriting();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace vantry::TokenStore
