// The import record file: any bytes recover (possibly to nothing) without a crash, a strict
// decode reads back equal from its own encoding, and what is recovered is rewritten in a form
// that decodes strictly, keys and all.

#include "FuzzInput.h"

#include "core/records/ImportIntent.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file = fuzz::bytes(data, size);

    if (const auto strict = ImportIntentList::decodeStrict(file))
        fuzz::check(ImportIntentList::decodeStrict(strict->encoded()) == *strict, "intents do not read back");
    if (const auto recovered = ImportIntentList::recover(file)) {
        bool anyKey = false;
        for (const ImportIntent& intent : recovered->intents)
            anyKey = anyKey || !intent.keys.empty();
        fuzz::check(anyKey, "a recovered record holds no key");
        const auto rewritten = ImportIntentList::decodeStrict(recovered->encoded());
        fuzz::check(rewritten.has_value(), "recovered intents do not decode strictly");
        fuzz::check(rewritten->intents.size() == recovered->intents.size(), "recovered intents lost on rewrite");
        for (std::size_t i = 0; i < recovered->intents.size(); ++i)
            fuzz::check(rewritten->intents[i].keys == recovered->intents[i].keys, "recovered keys lost on rewrite");
    }
    return 0;
}
