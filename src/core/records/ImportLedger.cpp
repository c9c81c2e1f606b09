#include "core/records/ImportLedger.h"

#include "core/support/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace vantry {

namespace {
const QString importedKey = QStringLiteral("imported");
}

QByteArray ImportLedger::encoded() const
{
    QStringList keys(imported.begin(), imported.end());
    std::sort(keys.begin(), keys.end());
    QJsonArray array;
    for (const QString& key : keys)
        array.append(key);
    QJsonObject object;
    object.insert(importedKey, array);
    return json::serialize(object);
}

std::optional<ImportLedger> ImportLedger::decodeStrict(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonValue value = doc.object().value(importedKey);
    if (!value.isArray())
        return std::nullopt;
    ImportLedger ledger;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        ledger.imported.insert(item.toString());
    }
    return ledger;
}

ImportLedger ImportLedger::decode(const std::optional<QByteArray>& data)
{
    if (!data)
        return {};
    return decodeStrict(*data).value_or(ImportLedger{});
}

ImportLedger ImportLedger::salvage(const QByteArray& data)
{
    ImportLedger ledger;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error == QJsonParseError::NoError) {
        // Well-formed JSON of the wrong shape: only an "imported" array carries keys.
        const QJsonValue value = doc.isObject() ? doc.object().value(importedKey) : QJsonValue();
        for (const QJsonValue& item : value.toArray())
            if (item.isString())
                ledger.imported.insert(item.toString());
        return ledger;
    }
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\x00-\x1f]|\\.)*)"(\s*:)?)re"));
    const QString text = QString::fromUtf8(data);
    for (auto it = literal.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength(2) > 0)
            continue; // a member name
        const QJsonDocument one = QJsonDocument::fromJson(("[" + match.captured(1).prepend('"').append('"') + "]").toUtf8());
        if (one.isArray() && one.array().size() == 1 && one.array().at(0).isString())
            ledger.imported.insert(one.array().at(0).toString());
    }
    return ledger;
}

} // namespace vantry
