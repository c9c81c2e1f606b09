#pragma once

#include "app/capture/CaptureWindowState.h"

#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace vantry {

class AlertPrompter;
class BatchSession;
class CaptureBanner;
class CaptureFooter;
class CaptureToolbar;
class CaptureWatcherStatusBar;
class CoalescedRefresh;
class FilteredEmptyState;
class ManualAddSheet;
class ReviewFilterBar;
class ReviewList;

// The window of one batch tab: banners, watcher status, the main area (recount screen, empty
// state, or bars over the review list), the error banner and the footer, with the toast
// over its top edge. Built fresh whenever its tab is selected; it follows the batch's model
// and watcher through one coalesced refresh per event-loop turn.
class CaptureView : public QWidget {
    Q_OBJECT

public:
    // `prompter` empty: message boxes over this view.
    CaptureView(BatchSession& session, CaptureWindowState::Services services, QWidget* parent = nullptr);
    ~CaptureView() override;

    CaptureWindowState& state() const { return *state_; }
    CoalescedRefresh& refresher() const { return *refresh_; }
    // The tab was deselected: the window's state (heartbeat, clock) ends now, the widget
    // itself at the next turn of the event loop.
    void retire();
    // Lays the column out for the model's state now.
    void refresh();

    // The ids of the rows the review list shows, in list order (filters, search and sort applied).
    const std::vector<QUuid>& visibleRowIds() const { return visibleRowIds_; }
    // Opens the manual-add sheet over the window (raises it when already open).
    void openManualAddSheet();
    ManualAddSheet* manualAddSheet() const;

    // Slots that later pieces of the window fill.
    QVBoxLayout* toolbarSlot() const { return toolbarSlot_; }
    QVBoxLayout* footerSlot() const { return footerSlot_; }
    CaptureToolbar& toolbar() const { return *toolbar_; }
    CaptureFooter& footerBar() const { return *footerBar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refreshBanners();
    void refreshHeldBanners();
    void chainBannerTabStops(const std::vector<CaptureBanner*>& top);
    void refreshEmptyState();
    void refreshRows();
    void refreshToast();
    void placeToast();
    QWidget* buildEmptyState();
    QWidget* buildRowsArea();

    BatchSession& session_;
    QString catalogImageBase_;
    std::unique_ptr<AlertPrompter> ownPrompter_;
    CaptureWindowState* state_;
    CoalescedRefresh* refresh_;

    QVBoxLayout* toolbarSlot_;
    CaptureToolbar* toolbar_;
    QVBoxLayout* bannerSlot_;
    CaptureBanner* healBanner_ = nullptr;
    CaptureBanner* recountBanner_ = nullptr;
    CaptureBanner* orientationBanner_ = nullptr;
    CaptureBanner* errorBanner_ = nullptr;
    std::vector<CaptureBanner*> heldBanners_;
    QString heldShown_;
    QString healShown_, recountShown_, orientationShown_, errorShown_;
    CaptureWatcherStatusBar* watcherStatus_;
    QStackedWidget* mainArea_;
    QWidget* recountArea_;
    QWidget* emptyArea_;
    QWidget* rowsArea_;
    QLabel* emptyNothingNew_;
    QLabel* emptyIntro_;
    QLabel* emptyFolderLine_;
    QWidget* bulkBar_;
    QLabel* bulkLabel_;
    QList<QWidget*> finishButtons_;
    QPushButton* markReviewed_;
    QSet<QUuid> markReviewedIds_;
    ReviewList* reviewList_;
    ReviewFilterBar* filterBar_;
    FilteredEmptyState* filteredEmpty_;
    QPointer<ManualAddSheet> manualAddSheet_;
    std::vector<QUuid> visibleRowIds_;
    QVBoxLayout* errorSlot_;
    QWidget* footerDivider_;
    QWidget* footer_;
    QVBoxLayout* footerSlot_;
    CaptureFooter* footerBar_;
    QLabel* toast_;
};

} // namespace vantry
