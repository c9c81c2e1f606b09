// The token file: any bytes read as an object of text members or as nothing, and what is
// read writes and reads back equal.

#include "FuzzInput.h"

#include "app/auth/TokenStore.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QMap<QString, QString> object = TokenStore::parse(fuzz::bytes(data, size));
    fuzz::check(TokenStore::parse(TokenStore::encoded(object)) == object, "token file does not read back");
    return 0;
}
