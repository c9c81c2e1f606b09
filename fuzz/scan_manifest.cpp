// The scan manifest in a scan folder: bytes are a manifest or json::Error, and a manifest
// writes and reads back equal.

#include "FuzzInput.h"

#include "core/records/ScanManifest.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::tolerateJsonError([&] {
        const ScanManifest manifest = ScanManifest::decode(fuzz::bytes(data, size));
        fuzz::check(ScanManifest::decode(manifest.encoded()) == manifest, "manifest does not read back");
    });
    return 0;
}
