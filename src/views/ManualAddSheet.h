#pragma once

#include "app/review/ManualAddSheetState.h"

#include <QDialog>

#include <QCoroTask>

#include <memory>

class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QVBoxLayout;

namespace vantry {

class CaptureViewModel;

// The sheet that adds cards the user is not scanning: search the catalogue, pick a printing,
// its finish and a quantity, and add them to the batch as confirmed rows. Shown with
// `open()`; it deletes itself when closed. Return in the search field only searches and
// Return in the quantity only takes the number; elsewhere it presses "Add to batch".
class ManualAddSheet : public QDialog {
    Q_OBJECT

public:
    ManualAddSheet(std::shared_ptr<CaptureViewModel> model, QWidget* parent = nullptr);

    const ManualAddSheetState& state() const { return state_; }
    QLineEdit* searchField() const { return query_; }
    QPushButton* searchButton() const { return search_; }
    QPushButton* addButton() const { return add_; }
    QSpinBox* quantityField() const { return quantity_; }
    QListWidget* resultsList() const { return results_; }

    // What the "Search" button and Return in the search field do.
    void runSearch();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QVBoxLayout* buildTitles();
    QHBoxLayout* buildSearchRow();
    QHBoxLayout* buildFinishRow();
    QStackedWidget* buildResultsArea();
    QWidget* buildSearchingPage();
    QWidget* buildPlaceholderPage();
    QListWidget* buildResultsList();
    QHBoxLayout* buildBottomRow();
    QCoro::Task<> search(ManualAddSheetState::Search pending);
    void addToBatch();
    void refresh();
    void showResults();

    std::shared_ptr<CaptureViewModel> model_;
    ManualAddSheetState state_;
    QLineEdit* query_;
    QButtonGroup* kinds_;
    QPushButton* search_;
    QButtonGroup* finishes_;
    QStackedWidget* content_;
    QLabel* placeholderTitle_;
    QLabel* placeholderHint_;
    QListWidget* results_;
    std::vector<Candidate> shownResults_;
    QSpinBox* quantity_;
    QPushButton* add_;
};

} // namespace vantry
