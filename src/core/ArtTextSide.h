#pragma once

#include "core/ArtCardBack.h"
#include "core/ArtCardMatching.h"
#include "core/CPUWork.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>

#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// Reads one side of a card as the printed back of an Art Series card and resolves it
// against the matcher's index entries. `seedLines` are lines already read upright (none:
// the side is read here). Reads the side upside down, then sideways, only as long as the
// "ART SERIES" marker or a single exact print is still missing. Nothing when there are no
// entries or the marker is never seen.
QCoro::Task<std::optional<ArtCardBackResolution>> resolveArtTextSide(std::shared_ptr<const TextRecognizing> engine,
                                                                     QImage image, std::vector<OCRLine> seedLines,
                                                                     std::shared_ptr<const ArtCardMatching> matcher,
                                                                     CPULane lane = CPULane::ordinary);

} // namespace vantry
