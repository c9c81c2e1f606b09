#pragma once

#include "core/art/VisionArtCardMatcher.h"

#include <QCoroTask>

#include <functional>
#include <memory>

namespace vantry {

// The art matcher of the process. Reading the art-card index takes a while and its entries
// are large, so every batch shares one matcher: the index is read once, on the CPU pool, the
// first time anyone asks, and every later or concurrent request gets that same matcher.
class SharedArtCardMatcher {
public:
    using Matcher = std::shared_ptr<const VisionArtCardMatcher>;
    using Loader = std::function<Matcher()>;

    // The matcher, loading it on first use (none when no usable index exists). Never throws.
    // Awaited on the main thread or any thread with an event loop.
    static QCoro::Task<Matcher> get();

    // Starts the load without waiting for it (at start-up, so the first batch finds it ready).
    static void preload();

    // The matcher when its load has finished; none while loading or when there is no index.
    static Matcher ifLoaded();

    // Replaces the loader (default: VisionArtCardMatcher::bundled()) and forgets any matcher
    // loaded so far. For tests.
    static void setLoaderForTesting(Loader loader);
};

} // namespace vantry
