// Decoding speed of the records that cross the wire in bulk.
#include "core/support/Json.h"
#include "core/card/ScanItemPayload.h"

#include <benchmark/benchmark.h>

using namespace vantry;

static void BM_ScanItemPayloadRoundTrip(benchmark::State& state)
{
    const ScanItemPayload payload{"abc:foil", "abc", "Lightning Bolt", "neo", "123", ScanFinish::foil,
                                  {}, QStringLiteral("NM"), 0.25, 3, 0.9731, "scanner"};
    for (auto _ : state) {
        const QByteArray bytes = json::serialize(payload.toJson());
        benchmark::DoNotOptimize(ScanItemPayload::fromJson(json::parseObject(bytes)));
    }
}
BENCHMARK(BM_ScanItemPayloadRoundTrip);

BENCHMARK_MAIN();
