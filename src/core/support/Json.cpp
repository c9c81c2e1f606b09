#include "core/support/Json.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantry::json {

namespace {

QString typeName(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("bool");
    case QJsonValue::Double: return QStringLiteral("number");
    case QJsonValue::String: return QStringLiteral("string");
    case QJsonValue::Array: return QStringLiteral("array");
    case QJsonValue::Object: return QStringLiteral("object");
    case QJsonValue::Undefined: return QStringLiteral("missing");
    }
    return QStringLiteral("unknown");
}

[[noreturn]] void typeMismatch(const QJsonValue& v, const QString& where, const char* expected)
{
    throw Error(QStringLiteral("%1: expected %2, found %3")
                    .arg(where.isEmpty() ? QStringLiteral("value") : where, QLatin1String(expected),
                         typeName(v))
                    .toStdString());
}

QJsonDocument parseDocument(const QByteArray& bytes)
{
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("malformed JSON at offset %1: %2")
                        .arg(QString::number(error.offset), error.errorString())
                        .toStdString());
    return doc;
}

} // namespace

QJsonDocument parse(const QByteArray& bytes) { return parseDocument(bytes); }

QJsonObject parseObject(const QByteArray& bytes)
{
    const QJsonDocument doc = parseDocument(bytes);
    if (!doc.isObject())
        throw Error("expected a JSON object at the top level");
    return doc.object();
}

QJsonArray parseArray(const QByteArray& bytes)
{
    const QJsonDocument doc = parseDocument(bytes);
    if (!doc.isArray())
        throw Error("expected a JSON array at the top level");
    return doc.array();
}

QString toString(const QJsonValue& v, const QString& where)
{
    if (!v.isString())
        typeMismatch(v, where, "string");
    return v.toString();
}

double toDouble(const QJsonValue& v, const QString& where)
{
    if (!v.isDouble())
        typeMismatch(v, where, "number");
    return v.toDouble();
}

qint64 toInteger(const QJsonValue& v, const QString& where)
{
    if (!v.isDouble())
        typeMismatch(v, where, "integer");
    const double d = v.toDouble();
    // Doubles hold every integer up to 2^53 exactly; beyond that a value is not trustworthy.
    constexpr double limit = 9007199254740992.0;
    if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > limit)
        typeMismatch(v, where, "integer");
    return static_cast<qint64>(d);
}

bool toBool(const QJsonValue& v, const QString& where)
{
    if (!v.isBool())
        typeMismatch(v, where, "bool");
    return v.toBool();
}

QJsonObject toObject(const QJsonValue& v, const QString& where)
{
    if (!v.isObject())
        typeMismatch(v, where, "object");
    return v.toObject();
}

QJsonArray toArray(const QJsonValue& v, const QString& where)
{
    if (!v.isArray())
        typeMismatch(v, where, "array");
    return v.toArray();
}

double checkedFinite(double v, const QString& where)
{
    if (!std::isfinite(v))
        throw Error(QStringLiteral("%1: a non-finite number cannot be encoded")
                        .arg(where.isEmpty() ? QStringLiteral("value") : where)
                        .toStdString());
    return v;
}

Reader::Reader(const QJsonValue& value, QString context)
    : object_(toObject(value, context)), context_(std::move(context))
{
}

Reader::Reader(QJsonObject object, QString context)
    : object_(std::move(object)), context_(std::move(context))
{
}

QString Reader::path(const QString& key) const
{
    return context_.isEmpty() ? key : context_ + QLatin1Char('.') + key;
}

bool Reader::has(const QString& key) const
{
    const QJsonValue v = object_.value(key);
    return !v.isUndefined() && !v.isNull();
}

QJsonValue Reader::required(const QString& key) const
{
    const QJsonValue v = object_.value(key);
    if (v.isUndefined() || v.isNull())
        throw Error(QStringLiteral("%1: required key is %2")
                        .arg(path(key), v.isNull() ? QStringLiteral("null") : QStringLiteral("missing"))
                        .toStdString());
    return v;
}

QString Reader::string(const QString& key) const { return toString(required(key), path(key)); }
double Reader::number(const QString& key) const { return toDouble(required(key), path(key)); }
qint64 Reader::integer(const QString& key) const { return toInteger(required(key), path(key)); }
bool Reader::boolean(const QString& key) const { return toBool(required(key), path(key)); }
QJsonObject Reader::objectAt(const QString& key) const { return toObject(required(key), path(key)); }
QJsonArray Reader::array(const QString& key) const { return toArray(required(key), path(key)); }

int Reader::int32(const QString& key) const
{
    const qint64 v = integer(key);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        typeMismatch(object_.value(key), path(key), "32-bit integer");
    return static_cast<int>(v);
}

std::optional<QString> Reader::optString(const QString& key) const
{
    if (!has(key))
        return std::nullopt;
    return string(key);
}

std::optional<double> Reader::optNumber(const QString& key) const
{
    if (!has(key))
        return std::nullopt;
    return number(key);
}

std::optional<qint64> Reader::optInteger(const QString& key) const
{
    if (!has(key))
        return std::nullopt;
    return integer(key);
}

std::optional<int> Reader::optInt32(const QString& key) const
{
    if (!has(key))
        return std::nullopt;
    return int32(key);
}

std::optional<bool> Reader::optBoolean(const QString& key) const
{
    if (!has(key))
        return std::nullopt;
    return boolean(key);
}

std::vector<QString> Reader::strings(const QString& key) const
{
    return list<QString>(key, [](const QJsonValue& v, const QString& where) { return toString(v, where); });
}

Writer& Writer::set(const QString& key, const QString& value)
{
    object_.insert(key, value);
    return *this;
}

Writer& Writer::set(const QString& key, double value)
{
    object_.insert(key, checkedFinite(value, key));
    return *this;
}

Writer& Writer::set(const QString& key, qint64 value)
{
    object_.insert(key, value);
    return *this;
}

Writer& Writer::set(const QString& key, bool value)
{
    object_.insert(key, value);
    return *this;
}

Writer& Writer::set(const QString& key, const QJsonObject& value)
{
    object_.insert(key, value);
    return *this;
}

Writer& Writer::set(const QString& key, const QJsonArray& value)
{
    object_.insert(key, value);
    return *this;
}

Writer& Writer::set(const QString& key, const std::vector<QString>& values)
{
    QJsonArray out;
    for (const QString& v : values)
        out.append(v);
    object_.insert(key, out);
    return *this;
}

QByteArray serialize(const QJsonObject& object, bool indented)
{
    return QJsonDocument(object).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
}

QByteArray serialize(const QJsonArray& array, bool indented)
{
    return QJsonDocument(array).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
}

namespace {

void writeSortedString(QByteArray& out, const QString& text)
{
    out.append('"');
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '/': out.append("\\/"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out.append(QByteArray("\\u00") + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0'));
            else
                out.append(c);
        }
    }
    out.append('"');
}

void writeSortedNumber(QByteArray& out, double value)
{
    checkedFinite(value, {});
    // Integral values within the exact range print without a fraction or exponent.
    if (std::trunc(value) == value && std::fabs(value) < 1e15) {
        out.append(QByteArray::number(static_cast<qint64>(value)));
        return;
    }
    out.append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
}

void writeSortedValue(QByteArray& out, const QJsonValue& value, int depth);

void indent(QByteArray& out, int depth) { out.append(QByteArray(2 * depth, ' ')); }

void writeSortedObject(QByteArray& out, const QJsonObject& object, int depth)
{
    if (object.isEmpty()) {
        out.append("{}");
        return;
    }
    QStringList keys = object.keys();
    std::sort(keys.begin(), keys.end());
    out.append("{\n");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        indent(out, depth + 1);
        writeSortedString(out, keys.at(i));
        out.append(" : ");
        writeSortedValue(out, object.value(keys.at(i)), depth + 1);
        if (i + 1 < keys.size())
            out.append(',');
        out.append('\n');
    }
    indent(out, depth);
    out.append('}');
}

void writeSortedArray(QByteArray& out, const QJsonArray& array, int depth)
{
    if (array.isEmpty()) {
        out.append("[]");
        return;
    }
    out.append("[\n");
    for (qsizetype i = 0; i < array.size(); ++i) {
        indent(out, depth + 1);
        writeSortedValue(out, array.at(i), depth + 1);
        if (i + 1 < array.size())
            out.append(',');
        out.append('\n');
    }
    indent(out, depth);
    out.append(']');
}

void writeSortedValue(QByteArray& out, const QJsonValue& value, int depth)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined: out.append("null"); break;
    case QJsonValue::Bool: out.append(value.toBool() ? "true" : "false"); break;
    case QJsonValue::Double: writeSortedNumber(out, value.toDouble()); break;
    case QJsonValue::String: writeSortedString(out, value.toString()); break;
    case QJsonValue::Array: writeSortedArray(out, value.toArray(), depth); break;
    case QJsonValue::Object: writeSortedObject(out, value.toObject(), depth); break;
    }
}

} // namespace

QByteArray serializeSorted(const QJsonObject& object)
{
    QByteArray out;
    writeSortedObject(out, object, 0);
    return out;
}

QByteArray serializeSorted(const QJsonArray& array)
{
    QByteArray out;
    writeSortedArray(out, array, 0);
    return out;
}

} // namespace vantry::json
