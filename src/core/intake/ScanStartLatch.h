#pragma once

namespace vantry {

// Lets exactly one scan request go out per scanner session.
struct ScanStartLatch {
    bool armed = true;

    void arm() { armed = true; }
    // The previous state; the latch is disarmed afterwards.
    bool consume()
    {
        const bool was = armed;
        armed = false;
        return was;
    }
};

} // namespace vantry
