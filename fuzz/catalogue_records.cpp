// Card records from the public catalogue and from the service's card lookup: each reply is
// read or refused with json::Error, never more than a search page's limit of candidates.

#include "FuzzInput.h"

#include "core/resolution/ScryfallResolver.h"
#include "core/resolution/VantryCardResolver.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    const ScanFinish finish = size % 2 ? ScanFinish::foil : ScanFinish::nonfoil;

    fuzz::tolerateJsonError([&] { (void)ScryfallResolver::decodeCard(body, finish); });
    fuzz::tolerateJsonError([&] {
        fuzz::check(ScryfallResolver::decodeSearchPage(body, finish).size() <= size_t(ScryfallResolver::searchLimit),
                    "catalogue search page over its limit");
    });
    fuzz::tolerateJsonError([&] { (void)VantryCardResolver::decodeResolvedPrinting(body, finish); });
    fuzz::tolerateJsonError([&] {
        fuzz::check(VantryCardResolver::decodeSearchPage(body, finish).size() <= size_t(VantryCardResolver::searchLimit),
                    "service search page over its limit");
    });
    return 0;
}
