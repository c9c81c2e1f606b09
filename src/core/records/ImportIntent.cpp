#include "core/records/ImportIntent.h"

#include "core/support/Json.h"

namespace vantry {

namespace {

const QString intentsKey = QStringLiteral("intents");

QJsonObject toJson(const ImportIntent& intent)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), intent.id.toString(QUuid::WithoutBraces));
    o.insert(QStringLiteral("state"), ImportIntent::rawValue(intent.state));
    if (intent.sessionId)
        o.insert(QStringLiteral("sessionId"), *intent.sessionId);
    o.insert(QStringLiteral("workspaceId"), intent.workspaceId);
    if (intent.workspaceName)
        o.insert(QStringLiteral("workspaceName"), *intent.workspaceName);
    if (intent.bin)
        o.insert(QStringLiteral("bin"), *intent.bin);
    QJsonArray keys;
    for (const QString& key : intent.keys)
        keys.append(key);
    o.insert(QStringLiteral("keys"), keys);
    o.insert(QStringLiteral("printings"), intent.printings);
    o.insert(QStringLiteral("createdAt"), intent.createdAt.toUTC().toString(Qt::ISODateWithMs));
    return o;
}

ImportIntent fromJson(const QJsonValue& value)
{
    const json::Reader r(value, QStringLiteral("intent"));
    ImportIntent intent;
    intent.id = QUuid::fromString(r.string(QStringLiteral("id")));
    if (intent.id.isNull())
        throw json::Error("intent.id: not a UUID");
    const auto state = ImportIntent::stateFromRaw(r.string(QStringLiteral("state")));
    if (!state)
        throw json::Error("intent.state: unknown state");
    intent.state = *state;
    intent.sessionId = r.optString(QStringLiteral("sessionId"));
    intent.workspaceId = r.string(QStringLiteral("workspaceId"));
    intent.workspaceName = r.optString(QStringLiteral("workspaceName"));
    intent.bin = r.optString(QStringLiteral("bin"));
    for (const QJsonValue& key : json::toArray(r.object().value(QStringLiteral("keys")), QStringLiteral("intent.keys")))
        intent.keys.push_back(json::toString(key, QStringLiteral("intent.keys[]")));
    intent.printings = int(json::toInteger(r.object().value(QStringLiteral("printings")), QStringLiteral("intent.printings")));
    intent.createdAt = QDateTime::fromString(r.string(QStringLiteral("createdAt")), Qt::ISODateWithMs);
    return intent;
}

} // namespace

QString ImportIntent::rawValue(State state)
{
    switch (state) {
    case State::reserved: return QStringLiteral("reserved");
    case State::sent: return QStringLiteral("sent");
    case State::imported: return QStringLiteral("imported");
    }
    return {};
}

std::optional<ImportIntent::State> ImportIntent::stateFromRaw(const QString& raw)
{
    for (State s : {State::reserved, State::sent, State::imported})
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

QByteArray ImportIntentList::encoded() const
{
    QJsonArray array;
    for (const ImportIntent& intent : intents)
        array.append(toJson(intent));
    return json::serialize(QJsonObject{{intentsKey, array}});
}

std::optional<ImportIntentList> ImportIntentList::decodeStrict(const QByteArray& data)
{
    try {
        const QJsonObject root = json::parseObject(data);
        ImportIntentList list;
        for (const QJsonValue& value : json::toArray(root.value(intentsKey), intentsKey))
            list.intents.push_back(fromJson(value));
        return list;
    } catch (const json::Error&) {
        return std::nullopt;
    }
}

} // namespace vantry
