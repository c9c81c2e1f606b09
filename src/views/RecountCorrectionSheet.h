#pragma once

#include "views/CardRow.h"

#include <QHash>

#include <QDialog>
#include <QSet>
#include <QUuid>

#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace vantry {

class CaptureViewModel;

// The sheet listing the scans of one printing group, fixed when it opens: a scan moved to
// another printing stays listed with its new match until the sheet closes. Opened with
// `open()`; "Done" or any dismissal emits `closed()`.
class RecountCorrectionSheet : public QDialog {
    Q_OBJECT

public:
    RecountCorrectionSheet(std::shared_ptr<CaptureViewModel> model, CardRowOptions rowOptions, QWidget* parent);

    // Lists `rowIds` for the group `itemId`, as the model holds them now.
    void refresh(const std::optional<QString>& itemId, const QSet<QUuid>& rowIds);

    QLabel* subtitle() const { return subtitle_; }
    QPushButton* doneButton() const { return done_; }
    int listedRows() const { return listed_; }

signals:
    void closed();

private:
    std::shared_ptr<CaptureViewModel> model_;
    CardRowOptions rowOptions_;
    QHash<QUuid, CardRow*> rows_;
    QLabel* subtitle_;
    QPushButton* done_;
    QWidget* empty_;
    QWidget* list_;
    QVBoxLayout* listColumn_;
    int listed_ = 0;
};

} // namespace vantry
