#include "core/card/PhysicalToken.h"

#include "core/support/Json.h"

namespace vantry {

QJsonObject PhysicalTokenFace::toJson() const
{
    json::Writer w;
    w.set("name", name).set("setCode", setCode).set("collectorNumber", collectorNumber);
    w.setOpt("priceUsd", priceUsd);
    return w.object();
}

PhysicalTokenFace PhysicalTokenFace::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("name"), r.string("setCode"), r.string("collectorNumber"), r.optNumber("priceUsd")};
}

QJsonObject PhysicalTokenMetadata::toJson() const
{
    json::Writer w;
    w.set("name", name);
    w.setOpt("tcgplayerId", tcgplayerId);
    w.set("collectorNumber", collectorNumber);
    w.setOpt("bestPriceUsd", bestPriceUsd);
    w.setList("faces", faces, [](const PhysicalTokenFace& f) { return f.toJson(); });
    return w.object();
}

PhysicalTokenMetadata PhysicalTokenMetadata::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    PhysicalTokenMetadata m;
    m.name = r.string("name");
    m.tcgplayerId = r.optInteger("tcgplayerId");
    m.collectorNumber = r.string("collectorNumber");
    m.bestPriceUsd = r.optNumber("bestPriceUsd");
    m.faces = r.list<PhysicalTokenFace>("faces", [](const QJsonValue& v, const QString& p) {
        return PhysicalTokenFace::fromJson(v, p);
    });
    return m;
}

} // namespace vantry
