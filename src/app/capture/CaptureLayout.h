#pragma once

#include <QtGlobal>

namespace vantry {

// What the capture window's column shows, top to bottom, for one state of the batch.
struct CaptureLayout {
    enum class MainArea { recount, empty, rows };

    struct Inputs {
        bool hasPrefHealMessage = false;
        bool hasLastRecountResult = false;
        qint64 noTextDetectedCount = 0;
        bool scanOrientationHintDismissed = false;
        bool isWatching = false;
        bool replaceMode = false;
        bool hasRows = false;
        bool hasImportError = false;
    };

    bool healBanner = false;
    bool recountFollowupBanner = false;
    bool scanOrientationBanner = false;
    bool watcherStatus = false;
    MainArea mainArea = MainArea::empty;
    bool errorBanner = false;
    // The window's footer; the recount screen brings its own.
    bool footer = false;

    bool operator==(const CaptureLayout&) const = default;

    static CaptureLayout of(const Inputs& in);
};

} // namespace vantry
