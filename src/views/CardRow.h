#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/review/CatalogImageCache.h"
#include "core/reading/CollectorMatching.h"
#include "core/resolution/ScryfallResolver.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;
class QFrame;
class QGraphicsOpacityEffect;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace vantry {

class BusyIndicator;
class ComparePopover;
class ElidedLabel;
class ScanThumbnailButton;

// What a card row takes besides the model and the row id.
struct CardRowOptions {
    // Where catalogue images come from; none: the process's cache.
    std::shared_ptr<CatalogImageCache> images;
    // The catalogue image server's base address (tests use a loopback server).
    QString imageBase = QString::fromLatin1(ScryfallImage::defaultBase);
    // Redraw by itself whenever the model publishes rows (one redraw per event-loop turn).
    // A list that pushes rows with `setRow` turns it off.
    bool followModel = true;
};

// The review row of one card of a batch: the scan thumbnail (opening a popover that compares
// the scan with the matched card's catalogue image), the header (the matched printing with its
// finish, variant, price and "Change", or "Needs review" with the token and art-card tags), the
// double-sided-token cue, while no printing is chosen the review controls (candidates, search
// with its kind, Skip, Rotate), and the status badge. It keeps no card data of its own: every
// control calls one operation of the model with the row's id and the row redraws from what
// the model publishes. It needs nothing from the window around it, so the capture view's list
// and the recount screen show it alike. Main thread only.
class CardRow : public QWidget {
    Q_OBJECT

public:
    CardRow(std::shared_ptr<CaptureViewModel> model, QUuid rowId, CardRowOptions options = {},
            QWidget* parent = nullptr);
    ~CardRow() override;

    QUuid rowId() const { return rowId_; }
    // Redraws for `row` (the model's row of this id); parts that show nothing new stay.
    void setRow(const CaptureViewModel::Row& row);
    // Finds the row in the model and redraws; false, with the popover closed, when it is gone.
    bool refreshFromModel();
    // The row as last drawn.
    const std::optional<CaptureViewModel::Row>& row() const { return shown_; }

    // The row's own view state: kept as long as this widget lives.
    QString query() const;
    ManualSearchKind searchKind() const { return searchKind_; }
    bool isZoomShown() const { return zoomShown_; }
    void showZoom();
    void hideZoom();
    // Puts an open popover back beside the thumbnail (after the row moved).
    void moveZoomToAnchor();
    QWidget* zoomPopover() const;

    // The height the row needs at `width`.
    int heightFor(int width) const;
    // The controls Tab visits, in the order they stand on screen: thumbnail, header, candidates,
    // search, kind, Search, Skip, Rotate, badge (hidden ones included; Tab passes over them).
    QList<QWidget*> focusOrder() const;
    // Where the keyboard goes on in a row that needs review: its first candidate, else its
    // search field; none while the review controls are hidden.
    QWidget* reviewFocus() const;

signals:
    // Something that can change the row's height was redrawn.
    void contentChanged();
    void zoomShownChanged(bool shown);
    // The model no longer has this row (only while following the model).
    void rowGone();
    // Tab or Shift+Tab moved the focus to `widget` of this row.
    void focusedByKeyboard(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildChosenHeader();
    void buildReviewHeader();
    void buildTokenCue();
    void buildReviewControls();
    void updateThumbnail(const CaptureViewModel::Row& row);
    void updateHeader(const CaptureViewModel::Row& row);
    void updateTokenCue(const CaptureViewModel::Row& row);
    void updateReviewControls(const CaptureViewModel::Row& row);
    void updateCandidates(const CaptureViewModel::Row& row);
    void updateBadge(const CaptureViewModel::Row& row);
    void updateZoom();
    void setKind(ManualSearchKind kind);
    void performSearch();
    void setOpacityFor(const CaptureViewModel::Row& row);
    void applyTabOrder();

    std::weak_ptr<CaptureViewModel> model_;
    QUuid rowId_;
    CardRowOptions options_;
    std::optional<CaptureViewModel::Row> shown_;
    ManualSearchKind searchKind_ = ManualSearchKind::any;
    bool zoomShown_ = false;

    QHBoxLayout* layout_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    ScanThumbnailButton* thumbnail_ = nullptr;
    // Header with a chosen printing.
    QWidget* chosenHeader_ = nullptr;
    ElidedLabel* chosenName_ = nullptr;
    QLabel* chosenSet_ = nullptr;
    QComboBox* finishPicker_ = nullptr;
    QWidget* variantPicker_ = nullptr;
    QList<QToolButton*> variantButtons_;
    QLabel* price_ = nullptr;
    QToolButton* change_ = nullptr;
    // Header while the card needs review.
    QWidget* reviewHeader_ = nullptr;
    QLabel* reviewTitle_ = nullptr;
    QLabel* tokenTag_ = nullptr;
    QLabel* artTag_ = nullptr;
    // Double-sided token cue.
    QFrame* tokenCue_ = nullptr;
    QLabel* tokenPrice_ = nullptr;
    ElidedLabel* tokenFaces_ = nullptr;
    // Review controls.
    QWidget* reviewControls_ = nullptr;
    QLabel* readWarning_ = nullptr;
    QScrollArea* candidateArea_ = nullptr;
    QWidget* candidateList_ = nullptr;
    QVBoxLayout* candidateLayout_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QList<QToolButton*> kindButtons_;
    QToolButton* search_ = nullptr;
    QToolButton* skip_ = nullptr;
    QToolButton* rotate_ = nullptr;
    BusyIndicator* rotateBusy_ = nullptr;
    // Status badge: a plain glyph, or a button once a printing is chosen.
    QLabel* statusGlyph_ = nullptr;
    QToolButton* statusButton_ = nullptr;
    std::optional<int> badgeKey_;
    QGraphicsOpacityEffect* opacity_ = nullptr;
    // Compare popover, built on first use.
    ComparePopover* zoom_ = nullptr;
};

} // namespace vantry
