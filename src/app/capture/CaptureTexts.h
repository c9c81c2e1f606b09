#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vantry::CaptureTexts {

// "s" unless the count is exactly 1.
QString pluralS(qint64 count);

// The status line: the batch's message, else what the batch is doing ("Reading scans…" while
// scans are read, never "Ready" then).
QString statusLine(const QString& statusMessage, bool readingScans);

// Tab chip: the count of rows that need review, none when no row does.
std::optional<QString> tabBadge(qint64 needsReviewCount);

// Alerts.
QString discardTitle(qint64 rowCount);
QString discardMessage();
QString importConfirmTitle();
QString splitChildWarningTitle();
QString scanStoppedTitle();

// Banners.
QString healTitle();
QString recountTitle();
QString recountSummary(const CaptureViewModel::LastRecountResult& result);
QString scanOrientationTitle(qint64 count);
QString scanOrientationBody();

// Bulk-actions bar.
QString bulkHint();
QString bulkConfirmedLabel(qint64 confirmed);
QString markReviewedLabel(qint64 count);
QString markReviewedHelp();

// Empty state.
QString emptyTitle();
QString emptyIntro(bool directScanEnabled);
QStringList emptySteps();
QString emptyWhyFaceUp();
// "Scan folder: <name>" for a chosen folder, else the fresh-folder tip.
QString emptyFolderLine(const QString& scanFolderPath);
QString emptyQuirks();

} // namespace vantry::CaptureTexts
