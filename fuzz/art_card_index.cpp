// The art-card index file: any bytes are an index or nothing; an index encodes to bytes that
// read back to the same bytes, and searching it with one of its own vectors is sound.

#include "FuzzInput.h"

#include "core/art/ArtCardIndex.h"

#include <algorithm>

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto index = ArtCardIndex::fromData(fuzz::bytes(data, size));
    if (!index)
        return 0;
    const QByteArray encoded = index->encoded();
    const auto again = ArtCardIndex::fromData(encoded);
    fuzz::check(again.has_value(), "encoded index does not read back");
    fuzz::check(again->encoded() == encoded, "encoded index reads back different");

    std::vector<float> query = index->entries.empty() ? std::vector<float>(size_t(std::min<qint64>(index->dimension, 4096)), 0.5f)
                                                      : index->entries.front().vector;
    const auto matches = index->nearest(query, 3, defaultArtCardMaxDistance);
    fuzz::check(matches.size() <= 3, "more matches than asked for");
    query.push_back(1.0f); // a query of the wrong length
    (void)index->nearestAcrossRotations({query, {}}, 2, defaultArtCardMaxDistance);
    return 0;
}
