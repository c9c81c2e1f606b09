#include "core/service/WorkspaceSummary.h"

#include "core/support/Json.h"

namespace vantry {

QJsonObject WorkspaceSummary::toJson() const
{
    json::Writer w;
    w.set("wsId", wsId).setOpt("name", name).setOpt("role", role);
    return w.object();
}

WorkspaceSummary WorkspaceSummary::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("wsId"), r.optString("name"), r.optString("role")};
}

} // namespace vantry
