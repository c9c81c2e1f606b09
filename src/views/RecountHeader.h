#pragma once

#include <QFrame>

#include <functional>
#include <memory>
#include <optional>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QWidget;

namespace vantry {

class CaptureViewModel;
struct RecountState;

// The top of the recount screen: the old-bin field, the reload button, the existing-bins menu,
// the scan folder's suggestion, the status line and the suggestion chips. Writes only the
// model's old-bin text and starts bin loads.
class RecountHeader : public QFrame {
    Q_OBJECT

public:
    RecountHeader(std::shared_ptr<CaptureViewModel> model, std::function<std::optional<QString>()> suggestedReplaceBin,
                  QWidget* parent = nullptr);

    void refresh(const RecountState& state);

    QLineEdit* binField() const { return field_; }
    QToolButton* binMenuButton() const { return menuButton_; }
    QMenu* binMenu() const { return menu_; }
    QLabel* statusLine() const { return status_; }

private:
    void loadBins();

    std::shared_ptr<CaptureViewModel> model_;
    std::function<std::optional<QString>()> suggestedReplaceBin_;
    QLineEdit* field_;
    QPushButton* reload_;
    QToolButton* menuButton_;
    QMenu* menu_;
    QPushButton* useSuggestion_;
    QLabel* status_;
    QWidget* chips_;
    QHBoxLayout* chipRow_;
};

} // namespace vantry
