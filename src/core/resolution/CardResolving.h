#pragma once

#include "core/card/Candidate.h"

#include <QCoroTask>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// Turns what was read from a card (a set code and a collector number, or free text) into
// candidate printings, best first, each carrying the finish asked for. Never throws and
// never reports an error: every failure ends in an empty list (or a fallback's answer).
// Implementations are immutable and used from the main thread's coroutines.
class CardResolving {
public:
    virtual ~CardResolving() = default;

    virtual QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber,
                                                                    ScanFinish finish,
                                                                    std::optional<QString> language) const = 0;
    virtual QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const = 0;
};

} // namespace vantry
