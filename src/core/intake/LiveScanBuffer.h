#pragma once

#include "core/intake/ScanSides.h"

#include <QSet>
#include <QStringList>

#include <vector>

namespace vantry {

// Groups pages that arrive one at a time into cards, ignoring names pushed before.
class LiveScanBuffer {
public:
    explicit LiveScanBuffer(ScanSides sides) : pagesPerCard_(sides == ScanSides::duplex ? 2 : 1) {}

    // The groups completed by this page, oldest first (usually none or one).
    std::vector<QStringList> push(const QString& name);
    // The incomplete group left over, if any. Flushed names stay seen.
    std::vector<QStringList> flush();

    const QStringList& pending() const { return pending_; }
    const QSet<QString>& seen() const { return seen_; }
    int pagesPerCard() const { return pagesPerCard_; }

private:
    QStringList pending_;
    QSet<QString> seen_;
    int pagesPerCard_;
};

} // namespace vantry
