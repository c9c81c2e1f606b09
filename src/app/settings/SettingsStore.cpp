#include "app/settings/SettingsStore.h"

#include "platform/Paths.h"

#include <QLocale>


#include <cmath>
#include <limits>

namespace vantry {

namespace {

std::optional<double> decimal(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

SettingsStore::SettingsStore(const QString& filePath, QObject* parent)
    : QObject(parent), settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

std::shared_ptr<SettingsStore> SettingsStore::standard()
{
    static std::shared_ptr<SettingsStore> current;
    const QString file = paths::settingsFile();
    if (!current || current->filePath() != file)
        current = std::make_shared<SettingsStore>(file);
    return current;
}

QString SettingsStore::filePath() const { return settings_->fileName(); }

bool SettingsStore::contains(const QString& key) const { return settings_->contains(key); }

std::optional<QString> SettingsStore::string(const QString& key) const
{
    const QVariant value = settings_->value(key);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited line with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool SettingsStore::boolean(const QString& key) const
{
    const auto text = string(key);
    if (!text)
        return false;
    const QString word = text->trimmed().toLower();
    if (word == u"true" || word == u"yes")
        return true;
    const auto number = decimal(word);
    return number && *number != 0 && !std::isnan(*number);
}

double SettingsStore::floating(const QString& key) const
{
    const auto text = string(key);
    return text ? decimal(*text).value_or(0.0) : 0.0;
}

qint64 SettingsStore::integer(const QString& key) const
{
    const auto text = string(key);
    if (!text)
        return 0;
    bool ok = false;
    const qint64 whole = text->trimmed().toLongLong(&ok);
    if (ok)
        return whole;
    const auto number = decimal(*text);
    if (!number || !std::isfinite(*number))
        return 0;
    const double cut = std::trunc(*number);
    // Out of range: the nearest representable value rather than undefined behaviour.
    if (cut >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (cut <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(cut);
}

void SettingsStore::setString(const QString& key, const QString& value) { write(key, value); }

void SettingsStore::setBoolean(const QString& key, bool value)
{
    write(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void SettingsStore::setFloating(const QString& key, double value)
{
    write(key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

void SettingsStore::setInteger(const QString& key, qint64 value) { write(key, QString::number(value)); }

void SettingsStore::remove(const QString& key)
{
    if (!settings_->contains(key))
        return;
    settings_->remove(key);
    settings_->sync();
    emit changed(key);
}

void SettingsStore::write(const QString& key, const QString& text)
{
    const QVariant old = settings_->value(key);
    if (old.isValid() && old.typeId() == QMetaType::QString && old.toString() == text)
        return;
    settings_->setValue(key, text);
    settings_->sync();
    emit changed(key);
}

QMetaObject::Connection SettingsStore::observe(const QString& key, QObject* context, std::function<void()> onChange)
{
    return connect(this, &SettingsStore::changed, context, [key, onChange = std::move(onChange)](const QString& k) {
        if (k == key)
            onChange();
    });
}

} // namespace vantry
