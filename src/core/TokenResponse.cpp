#include "core/TokenResponse.h"

#include "core/Json.h"

namespace vantry {

TokenResponse TokenResponse::fromJson(const QByteArray& body)
{
    const json::Reader reader(json::parseObject(body), QStringLiteral("token response"));
    return TokenResponse{reader.string(QStringLiteral("access_token")),
                         reader.optString(QStringLiteral("refresh_token"))};
}

} // namespace vantry
