#include "core/records/ImportIntent.h"

#include "core/support/Json.h"

#include <QJsonParseError>

#include <algorithm>

namespace vantry {

namespace {

const QString intentsKey = QStringLiteral("intents");
const QString kindKey = QStringLiteral("kind");
const QString recountKind = QStringLiteral("recount");

// A kind this build does not know is held as an import: the user settles it.
ImportIntent::Kind kindFrom(const std::optional<QString>& raw)
{
    return raw == recountKind ? ImportIntent::Kind::recount : ImportIntent::Kind::import;
}

QJsonObject toJson(const ImportIntent& intent)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), intent.id.toString(QUuid::WithoutBraces));
    if (intent.kind == ImportIntent::Kind::recount)
        o.insert(kindKey, recountKind); // an import writes none, as files before recounts did
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
    if (intent.recovered)
        o.insert(QStringLiteral("recovered"), true);
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
    intent.kind = kindFrom(r.optString(kindKey));
    intent.sessionId = r.optString(QStringLiteral("sessionId"));
    intent.workspaceId = r.string(QStringLiteral("workspaceId"));
    intent.workspaceName = r.optString(QStringLiteral("workspaceName"));
    intent.bin = r.optString(QStringLiteral("bin"));
    for (const QJsonValue& key : json::toArray(r.object().value(QStringLiteral("keys")), QStringLiteral("intent.keys")))
        intent.keys.push_back(json::toString(key, QStringLiteral("intent.keys[]")));
    intent.printings = int(json::toInteger(r.object().value(QStringLiteral("printings")), QStringLiteral("intent.printings")));
    intent.createdAt = QDateTime::fromString(r.string(QStringLiteral("createdAt")), Qt::ISODateWithMs);
    intent.recovered = r.optBoolean(QStringLiteral("recovered")).value_or(false);
    return intent;
}

// Reads JSON as far as it is whole. At the first fault (the end of a file cut short, a stray
// byte) the value being read is left out, and every array and object still open ends there
// with the elements and members that were whole.
class WholePrefixReader {
public:
    WholePrefixReader(const QByteArray& text, qsizetype from) : text_(text), at_(from) {}

    // None when the value is not whole; a container may be returned cut short, see `broken`.
    std::optional<QJsonValue> value(int depth = 0)
    {
        skipSpace();
        if (at_ >= text_.size() || depth > maxDepth)
            return fault();
        switch (text_.at(at_)) {
        case '{': return object(depth);
        case '[': return array(depth);
        case '"': return string();
        default: return scalar();
        }
    }
    // The reading stopped at a fault, at `position`.
    bool broken() const { return broken_; }
    qsizetype position() const { return at_; }

private:
    // Intents nest two levels deep; anything deeper is not one of this file's.
    static constexpr int maxDepth = 16;

    std::nullopt_t fault()
    {
        broken_ = true;
        return std::nullopt;
    }

    void skipSpace()
    {
        while (at_ < text_.size() && (text_.at(at_) == ' ' || text_.at(at_) == '\n' || text_.at(at_) == '\r' ||
                                      text_.at(at_) == '\t'))
            ++at_;
    }

    // One token decoded by the strict parser, so that escapes and numbers read as they do there.
    static std::optional<QJsonValue> decodeToken(const QByteArray& token)
    {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson('[' + token + ']', &error);
        if (error.error != QJsonParseError::NoError || doc.array().size() != 1)
            return std::nullopt;
        return doc.array().at(0);
    }

    std::optional<QJsonValue> string()
    {
        qsizetype end = at_ + 1;
        while (end < text_.size() && text_.at(end) != '"') {
            if (uchar(text_.at(end)) < 0x20)
                return fault();
            end += text_.at(end) == '\\' ? 2 : 1;
        }
        if (end >= text_.size())
            return fault();
        const std::optional<QJsonValue> decoded = decodeToken(text_.mid(at_, end + 1 - at_));
        if (!decoded)
            return fault();
        at_ = end + 1;
        return decoded;
    }

    // A number or literal is whole only where something follows it: a cut can shorten 12 to 1.
    std::optional<QJsonValue> scalar()
    {
        static const QByteArray tokenChars = QByteArrayLiteral("+-.0123456789Eaeflnrstu");
        qsizetype end = at_;
        while (end < text_.size() && tokenChars.contains(text_.at(end)))
            ++end;
        if (end >= text_.size() || end == at_)
            return fault();
        const std::optional<QJsonValue> decoded = decodeToken(text_.mid(at_, end - at_));
        if (!decoded)
            return fault();
        at_ = end;
        return decoded;
    }

    QJsonValue array(int depth)
    {
        ++at_;
        QJsonArray out;
        skipSpace();
        if (at_ < text_.size() && text_.at(at_) == ']') {
            ++at_;
            return out;
        }
        while (true) {
            const std::optional<QJsonValue> element = value(depth + 1);
            if (!element)
                return out;
            out.append(*element);
            if (broken_ || !separator(']'))
                return out;
            if (text_.at(at_ - 1) == ']')
                return out;
        }
    }

    QJsonValue object(int depth)
    {
        ++at_;
        QJsonObject out;
        skipSpace();
        if (at_ < text_.size() && text_.at(at_) == '}') {
            ++at_;
            return out;
        }
        while (true) {
            skipSpace();
            if (at_ >= text_.size() || text_.at(at_) != '"') {
                fault();
                return out;
            }
            const std::optional<QJsonValue> name = string();
            skipSpace();
            if (!name || at_ >= text_.size() || text_.at(at_) != ':') {
                fault();
                return out;
            }
            ++at_;
            const std::optional<QJsonValue> member = value(depth + 1);
            if (!member)
                return out;
            out.insert(name->toString(), *member);
            if (broken_ || !separator('}'))
                return out;
            if (text_.at(at_ - 1) == '}')
                return out;
        }
    }

    // After an element: a comma (more follow) or `close`, consumed; anything else is a fault.
    bool separator(char close)
    {
        skipSpace();
        if (at_ < text_.size() && (text_.at(at_) == ',' || text_.at(at_) == close)) {
            ++at_;
            return true;
        }
        fault();
        return false;
    }

    const QByteArray& text_;
    qsizetype at_;
    bool broken_ = false;
};

std::optional<QString> readableString(const QJsonObject& o, const QString& key)
{
    const QJsonValue v = o.value(key);
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

// What can be read of one intent: a whole one that decodes is kept as it is; otherwise its keys
// (none: nothing to hold) and whatever else is readable, marked as recovered.
std::optional<ImportIntent> recoverIntent(const QJsonValue& value, bool whole)
{
    if (!value.isObject())
        return std::nullopt;
    if (whole) {
        try {
            return fromJson(value);
        } catch (const json::Error&) {
        }
    }
    const QJsonObject o = value.toObject();
    ImportIntent intent;
    for (const QJsonValue& key : o.value(QStringLiteral("keys")).toArray())
        if (key.isString() && !key.toString().isEmpty())
            intent.keys.push_back(key.toString());
    if (intent.keys.empty())
        return std::nullopt;
    intent.recovered = true;
    intent.kind = kindFrom(readableString(o, kindKey));
    intent.id = QUuid::fromString(readableString(o, QStringLiteral("id")).value_or(QString()));
    if (intent.id.isNull())
        intent.id = QUuid::createUuid();
    // A state this build does not know may mean the import call went out: held.
    intent.state = ImportIntent::stateFromRaw(readableString(o, QStringLiteral("state")).value_or(QString()))
                       .value_or(ImportIntent::State::sent);
    intent.sessionId = readableString(o, QStringLiteral("sessionId"));
    if (intent.sessionId && intent.sessionId->isEmpty())
        intent.sessionId.reset();
    intent.workspaceId = readableString(o, QStringLiteral("workspaceId")).value_or(QString());
    intent.workspaceName = readableString(o, QStringLiteral("workspaceName"));
    intent.bin = readableString(o, QStringLiteral("bin"));
    const QJsonValue printings = o.value(QStringLiteral("printings"));
    bool counted = false;
    const double count = printings.isString() ? printings.toString().trimmed().toDouble(&counted)
                                              : printings.toDouble();
    counted = counted || printings.isDouble();
    if (counted && count >= 1 && count <= 1e6 && count == double(qint64(count)))
        intent.printings = int(count);
    intent.createdAt = QDateTime::fromString(readableString(o, QStringLiteral("createdAt")).value_or(QString()),
                                             Qt::ISODateWithMs);
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

std::optional<ImportIntentList> ImportIntentList::recover(const QByteArray& data)
{
    ImportIntentList list;
    auto add = [&list](const QJsonValue& value, bool whole) {
        if (std::optional<ImportIntent> intent = recoverIntent(value, whole))
            list.intents.push_back(std::move(*intent));
    };

    WholePrefixReader reader(data, 0);
    const std::optional<QJsonValue> root = reader.value();
    if (root && root->isObject()) {
        const QJsonArray intents = root->toObject().value(intentsKey).toArray();
        for (qsizetype i = 0; i < intents.size(); ++i)
            add(intents.at(i), !reader.broken() || i + 1 < intents.size()); // the last one may be cut
    }
    if (reader.broken()) {
        // Past a fault each "{" may open an intent of its own (an intent holds no object), so
        // damage part way through loses only the intent it hit.
        for (qsizetype at = data.indexOf('{', reader.position()); at >= 0; at = data.indexOf('{', at + 1)) {
            WholePrefixReader one(data, at);
            if (const std::optional<QJsonValue> value = one.value())
                add(*value, !one.broken());
        }
    }
    const bool anyKey = std::any_of(list.intents.begin(), list.intents.end(),
                                    [](const ImportIntent& i) { return !i.keys.empty(); });
    if (!anyKey)
        return std::nullopt;
    return list;
}

} // namespace vantry
