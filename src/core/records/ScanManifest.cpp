#include "core/records/ScanManifest.h"

#include "core/support/Json.h"

namespace vantry {

QJsonObject ScanManifest::toJson() const
{
    json::Writer w;
    w.set("schemaVersion", schemaVersion)
        .set("updatedAt", updatedAt)
        .setList("entries", entries, [](const ScanManifestEntry& e) { return e.toJson(); });
    return w.object();
}

QByteArray ScanManifest::encoded() const { return json::serializeSorted(toJson()); }

ScanManifest ScanManifest::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanManifest m;
    m.schemaVersion = r.int32("schemaVersion");
    m.updatedAt = r.string("updatedAt");
    m.entries = r.list<ScanManifestEntry>("entries", [](const QJsonValue& v, const QString& at) {
        return ScanManifestEntry::fromJson(v, at);
    });
    return m;
}

ScanManifest ScanManifest::decode(const QByteArray& bytes) { return fromJson(json::parseObject(bytes)); }

} // namespace vantry
