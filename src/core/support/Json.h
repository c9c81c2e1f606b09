#pragma once

// Strict JSON coding shared by every record of the system.
//
// Reading: required keys fail when missing, null or of the wrong type; optional keys
// read as absent when missing or null (a present value of the wrong type still fails);
// unknown keys are ignored; integers must be integral numbers.
// Writing: optionals are omitted when absent; a non-finite double throws (Qt would
// silently write NaN as null).

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace vantry::json {

// A decoding or encoding failure; `what()` names the key path.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a whole document; throws Error for malformed text.
QJsonDocument parse(const QByteArray& bytes);
// Parses a document that must be an object.
QJsonObject parseObject(const QByteArray& bytes);
// Parses a document that must be an array.
QJsonArray parseArray(const QByteArray& bytes);

// Value checks used by Reader and by hand-written decoders.
QString toString(const QJsonValue& v, const QString& where);
double toDouble(const QJsonValue& v, const QString& where);
qint64 toInteger(const QJsonValue& v, const QString& where);
bool toBool(const QJsonValue& v, const QString& where);
QJsonObject toObject(const QJsonValue& v, const QString& where);
QJsonArray toArray(const QJsonValue& v, const QString& where);

// Throws Error when `v` is NaN or infinite.
double checkedFinite(double v, const QString& where);

class Reader {
public:
    // Throws when `value` is not an object.
    explicit Reader(const QJsonValue& value, QString context = {});
    explicit Reader(QJsonObject object, QString context = {});

    const QJsonObject& object() const { return object_; }
    bool has(const QString& key) const; // present and not null

    QString string(const QString& key) const;
    std::optional<QString> optString(const QString& key) const;
    double number(const QString& key) const;
    std::optional<double> optNumber(const QString& key) const;
    qint64 integer(const QString& key) const;
    std::optional<qint64> optInteger(const QString& key) const;
    int int32(const QString& key) const;
    std::optional<int> optInt32(const QString& key) const;
    bool boolean(const QString& key) const;
    std::optional<bool> optBoolean(const QString& key) const;
    QJsonObject objectAt(const QString& key) const;
    QJsonArray array(const QString& key) const;
    std::vector<QString> strings(const QString& key) const;

    // A required nested record: `decode` gets the value and its key path.
    template <class T, class F>
    T record(const QString& key, F decode) const
    {
        return decode(required(key), path(key));
    }
    template <class T, class F>
    std::optional<T> optRecord(const QString& key, F decode) const
    {
        if (!has(key))
            return std::nullopt;
        return decode(object_.value(key), path(key));
    }
    // A required list; each element is decoded by `decode(value, path)`.
    template <class T, class F>
    std::vector<T> list(const QString& key, F decode) const
    {
        const QJsonArray items = array(key);
        std::vector<T> out;
        out.reserve(items.size());
        for (qsizetype i = 0; i < items.size(); ++i)
            out.push_back(decode(items.at(i), path(key) + QStringLiteral("[%1]").arg(i)));
        return out;
    }

    QString path(const QString& key) const;

private:
    QJsonValue required(const QString& key) const;

    QJsonObject object_;
    QString context_;
};

class Writer {
public:
    Writer& set(const QString& key, const QString& value);
    Writer& set(const QString& key, const char* value) { return set(key, QString::fromUtf8(value)); }
    Writer& set(const QString& key, double value);
    Writer& set(const QString& key, int value) { return set(key, qint64(value)); }
    Writer& set(const QString& key, qint64 value);
    Writer& set(const QString& key, bool value);
    Writer& set(const QString& key, const QJsonObject& value);
    Writer& set(const QString& key, const QJsonArray& value);
    Writer& set(const QString& key, const std::vector<QString>& values);

    template <class T>
    Writer& setOpt(const QString& key, const std::optional<T>& value)
    {
        if (value)
            set(key, *value);
        return *this;
    }

    // A list of records, each turned into JSON by `encode`.
    template <class T, class F>
    Writer& setList(const QString& key, const std::vector<T>& items, F encode)
    {
        QJsonArray out;
        for (const T& item : items)
            out.append(encode(item));
        return set(key, out);
    }

    const QJsonObject& object() const { return object_; }

private:
    QJsonObject object_;
};

// Serialises an object; compact unless `indented`.
QByteArray serialize(const QJsonObject& object, bool indented = false);
QByteArray serialize(const QJsonArray& array, bool indented = false);

// The stable form of files that people open and diff: object keys in ascending order at
// every level, one member or element per line, two blanks of indent per level,
// `"key" : value`, "/" written as "\/", non-ASCII text as UTF-8, empty containers as
// "{}" and "[]", numbers in their shortest exact form, no final line feed.
QByteArray serializeSorted(const QJsonObject& object);
QByteArray serializeSorted(const QJsonArray& array);

} // namespace vantry::json
