#pragma once

#include "core/ArtCardMatching.h"
#include "core/CPUWork.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// The Art Series paths of recognising one scan, with their "[recognize]" trace lines.
namespace ArtSeriesRecognition {

// Loads the other side of the card; nothing when there is none or it cannot be read.
using BackLoader = std::function<QCoro::Task<std::optional<QImage>>()>;

// A scan read as an Art Series card: the scanned side is read as the printed back (seeded
// with the lines already read), and unless that names exactly one print, the other side is
// matched visually. Nothing when the merge is empty (recognition goes on by name).
// `loadBack` may be empty (no other side).
QCoro::Task<std::optional<std::vector<Candidate>>> textSide(std::shared_ptr<const TextRecognizing> engine,
                                                            std::shared_ptr<const ArtCardMatching> matcher,
                                                            QImage image, std::vector<OCRLine> lines,
                                                            BackLoader loadBack, ScanFinish finish,
                                                            CPULane lane = CPULane::ordinary);

// Any other card nothing else identified: its back is first read as an Art Series back, then
// the scanned front is matched visually and merged with what the back said. Prints
// "-> nothing parsed" and returns no candidates when both come up empty.
QCoro::Task<std::vector<Candidate>> visualMatch(std::shared_ptr<const TextRecognizing> engine,
                                                std::shared_ptr<const ArtCardMatching> matcher, QImage image,
                                                BackLoader loadBack, ScanFinish finish,
                                                CPULane lane = CPULane::ordinary);

} // namespace ArtSeriesRecognition

} // namespace vantry
