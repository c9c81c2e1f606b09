#pragma once

#include "core/card/ScanItemPayload.h"

#include <QFrame>

#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace vantry {

class CaptureViewModel;

// One printing group of the recount: selection box with name and set line, finish picker,
// correction button and destination chip. Edits go straight to the model.
class RecountPrintingRow : public QFrame {
    Q_OBJECT

public:
    RecountPrintingRow(std::shared_ptr<CaptureViewModel> model, QWidget* parent = nullptr);

    void show(const ScanItemPayload& item, bool selected, const std::optional<QString>& bin);
    const ScanItemPayload& item() const { return item_; }

    QPushButton* selectButton() const { return select_; }
    QComboBox* finishPicker() const { return finish_; }
    QPushButton* fixButton() const { return fix_; }
    QPushButton* destinationChip() const { return chip_; }

signals:
    void correctionRequested(const vantry::ScanItemPayload& item);

private:
    std::shared_ptr<CaptureViewModel> model_;
    ScanItemPayload item_;
    std::optional<QString> bin_;
    QPushButton* select_;
    QLabel* box_;
    QLabel* name_;
    QLabel* subtitle_;
    QComboBox* finish_;
    QPushButton* fix_;
    QPushButton* chip_;
};

} // namespace vantry
