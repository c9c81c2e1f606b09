#include "app/capture/CaptureLayout.h"

namespace vantry {

CaptureLayout CaptureLayout::of(const Inputs& in)
{
    CaptureLayout layout;
    layout.healBanner = in.hasPrefHealMessage;
    layout.recountFollowupBanner = in.hasLastRecountResult;
    layout.scanOrientationBanner = in.noTextDetectedCount >= 1 && !in.scanOrientationHintDismissed;
    layout.watcherStatus = in.isWatching;
    layout.mainArea = in.replaceMode ? MainArea::recount : (in.hasRows ? MainArea::rows : MainArea::empty);
    layout.errorBanner = in.hasImportError;
    layout.footer = layout.mainArea != MainArea::recount;
    return layout;
}

} // namespace vantry
