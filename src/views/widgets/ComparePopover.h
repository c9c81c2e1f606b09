#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QFrame>

#include <memory>
#include <tuple>

class QLabel;

namespace vantry {

class CatalogImageCache;
class CatalogImageView;
class ElidedLabel;

// The popover a card row opens from its thumbnail: the scan beside the matched printing's
// catalogue image (when a printing with an image is chosen), and the scan's caption under
// them. It shows what it is given and keeps nothing of the model. Main thread only.
class ComparePopover : public QFrame {
    Q_OBJECT

public:
    // `row` is the card row it belongs to: its parent, whose font the captions follow (a popup
    // window does not inherit its parent's font).
    ComparePopover(std::shared_ptr<CatalogImageCache> images, QString imageBase, QWidget* row);

    // Shows `row`; the scan is decoded again only when its data changed.
    void setRow(const CaptureViewModel::Row& row);
    // Places the popover beside `anchor`, kept on the screen.
    void moveBeside(const QWidget* anchor);

signals:
    // Hidden by any means: closed by the row, or by a click outside.
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showScan(const CaptureViewModel::Row& row);

    std::shared_ptr<CatalogImageCache> images_;
    QString imageBase_;
    QLabel* scan_ = nullptr;
    std::tuple<const char*, qsizetype, qint64> scanKey_{nullptr, -1, -1};
    QWidget* matchedColumn_ = nullptr;
    ElidedLabel* matchedCaption_ = nullptr;
    CatalogImageView* catalog_ = nullptr;
    QLabel* caption_ = nullptr;
};

} // namespace vantry
