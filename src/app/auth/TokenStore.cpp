#include "app/auth/TokenStore.h"

#include "platform/Paths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry::TokenStore {

namespace {

// QSaveFile creates its temporary file with the default mode (0666 less the umask) when the
// file does not exist yet, and otherwise with 0600 and then the existing file's mode: a
// descriptor opened in either window keeps reading the tokens written later. An owner-only file
// in place first makes the temporary file owner-only from its creation on.
bool ensureOwnerOnlyFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0)
        return !S_ISREG(info.st_mode) || (info.st_mode & 0077) == 0 || ::chmod(name.constData(), 0600) == 0;
    // Nothing there yet (or a link to nothing): the check after opening decides.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    return true;
}

} // namespace

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

    const QString path = fileURL();
    if (!ensureOwnerOnlyFile(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A temporary file that is (or was, should the file have vanished meanwhile) wider than
    // owner-only never receives a token.
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0 || (info.st_mode & 0077) != 0 ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
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
