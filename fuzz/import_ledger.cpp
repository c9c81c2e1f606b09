// The imported-scan ledger file: any bytes decode (possibly to nothing), a strict decode
// reads back equal from its own encoding, and salvaged keys survive a rewrite.

#include "FuzzInput.h"

#include "core/records/ImportLedger.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file = fuzz::bytes(data, size);

    const ImportLedger lenient = ImportLedger::decode(file);
    const auto strict = ImportLedger::decodeStrict(file);
    if (strict) {
        fuzz::check(*strict == lenient, "strict and lenient decodes differ");
        fuzz::check(ImportLedger::decodeStrict(strict->encoded()) == *strict, "ledger does not read back");
    }
    const ImportLedger salvaged = ImportLedger::salvage(file);
    fuzz::check(ImportLedger::decodeStrict(salvaged.encoded()) == salvaged, "salvaged ledger does not read back");
    return 0;
}
