#include "core/TokenResponse.h"

#include "core/Json.h"

namespace vantry {

TokenResponse TokenResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    return {r.string("access_token"), r.optString("refresh_token")};
}

} // namespace vantry
