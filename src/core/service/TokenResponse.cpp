#include "core/service/TokenResponse.h"

#include "core/support/Json.h"

namespace vantry {

TokenResponse TokenResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    return {r.string("access_token"), r.optString("refresh_token")};
}

} // namespace vantry
