#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace vantry {

// The user settings: "vy." keys in an INI file. A key that was never written is absent and
// each reader applies its own default; nothing is written until a user changes a control.
// Every view bound to a key listens to `changed` (or `observe`), so that views showing one
// key stay in step whichever of them wrote it. Main thread only.
class SettingsStore final : public QObject {
    Q_OBJECT

public:
    // The store over an explicit file (tests, tools).
    explicit SettingsStore(const QString& filePath, QObject* parent = nullptr);
    ~SettingsStore() override;

    // The process's store over the settings file of the current environment. One instance per
    // file: every caller gets the same object, so a write reaches every bound view.
    static std::shared_ptr<SettingsStore> standard();

    QString filePath() const;

    // Whether the key holds any value.
    bool contains(const QString& key) const;

    // Typed reads. A missing key gives the empty answer of each reader; a stored value of
    // another type is converted as the reader says.
    // The stored text (numbers and Booleans as their text); none when absent.
    std::optional<QString> string(const QString& key) const;
    // "true"/"yes" (any case) or a non-zero number; false otherwise.
    bool boolean(const QString& key) const;
    // A text that reads whole as a decimal number (C locale); 0 otherwise.
    double floating(const QString& key) const;
    // A whole number, or a decimal number cut toward zero; 0 otherwise.
    qint64 integer(const QString& key) const;

    // Writes announce `changed` only when the stored value (or its presence) changes.
    void setString(const QString& key, const QString& value);
    void setBoolean(const QString& key, bool value);
    void setFloating(const QString& key, double value);
    void setInteger(const QString& key, qint64 value);
    void remove(const QString& key);

    // Calls `onChange` after every change of `key` while `context` lives.
    QMetaObject::Connection observe(const QString& key, QObject* context, std::function<void()> onChange);

signals:
    void changed(const QString& key);

private:
    void write(const QString& key, const QString& text);

    std::unique_ptr<QSettings> settings_;
};

} // namespace vantry
