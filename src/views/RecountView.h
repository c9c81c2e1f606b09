#pragma once

#include "views/RecountCorrectionSheet.h"
#include "views/CardRow.h"
#include "core/card/ScanItemPayload.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QBoxLayout;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vantry {

class AlertPrompter;
class CaptureViewModel;
class CoalescedRefresh;
class RecountHeader;
class RecountPrintingRow;
struct RecountState;

// The recount screen of one batch: old bins, review section, destination assignment, tally,
// retire hint and footer with "Preview recount"; a successful preview raises the "Replace
// bin(s)?" alert, whose "Replace" commits. Holds only view state (the destination field, the
// open correction group); the recount itself lives in the batch model.
class RecountView : public QWidget {
    Q_OBJECT

public:
    // `rowOptions`: how the review section and the correction sheet show their card rows.
    RecountView(std::shared_ptr<CaptureViewModel> model, AlertPrompter& prompter,
                std::function<std::optional<QString>()> suggestedReplaceBin, CardRowOptions rowOptions = {},
                QWidget* parent = nullptr);
    ~RecountView() override;

    void refresh();
    CoalescedRefresh& refresher() const { return *refresh_; }

    // The correction sheet: opened for one group, its rows fixed now.
    void openCorrection(const ScanItemPayload& item);
    void closeCorrection();
    const std::optional<QString>& correctionItemId() const { return correctionItemId_; }
    const QSet<QUuid>& correctionRowIds() const { return correctionRowIds_; }
    RecountCorrectionSheet* correctionSheet() const { return sheet_; }

    RecountHeader* header() const { return header_; }
    QLineEdit* destinationField() const { return destination_; }
    QPushButton* assignButton() const { return assign_; }
    QPushButton* previewButton() const { return preview_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildReview();
    QWidget* buildEmptyState();
    QFrame* buildSteps(QWidget* parent);
    QWidget* buildPlan();
    QHBoxLayout* buildAssignBar();
    QFrame* buildTally();
    QHBoxLayout* buildFooter();
    void followModel();
    void assign();
    void presentConfirmation();
    RecountState state() const;
    void refreshReview();
    void refreshPrintings();
    void refreshTally();
    void refreshFooter();

    std::shared_ptr<CaptureViewModel> model_;
    AlertPrompter& prompter_;
    std::function<std::optional<QString>()> suggestedReplaceBin_;
    CardRowOptions rowOptions_;
    CoalescedRefresh* refresh_;

    // View state.
    std::optional<QString> correctionItemId_;
    QSet<QUuid> correctionRowIds_;
    bool confirmationShown_ = false;

    RecountHeader* header_;
    QWidget* review_;
    QLabel* reviewTitle_;
    QScrollArea* reviewScroll_;
    QVBoxLayout* reviewList_;
    QHash<QUuid, CardRow*> reviewRows_;
    QWidget* reviewDivider_;
    QWidget* emptyState_;
    QLabel* emptyNothingNew_;
    QWidget* plan_;
    QPushButton* selectAll_;
    QLineEdit* destination_;
    QPushButton* assign_;
    QPushButton* resetAssignments_;
    QVBoxLayout* printingColumn_;
    QHash<QString, RecountPrintingRow*> printingRows_;
    QHBoxLayout* tallyRow_;
    QLabel* retireHint_;
    QLabel* status_;
    QLabel* blockedHint_;
    QPushButton* checkCommit_;
    QPushButton* replace_;
    QPushButton* preview_;
    QPointer<RecountCorrectionSheet> sheet_;
};

} // namespace vantry
