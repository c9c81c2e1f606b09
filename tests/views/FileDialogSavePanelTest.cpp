#include "views/FileDialogSavePanel.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QCoroTask>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vantry;

namespace {

// Answers the first file dialog that shows up, from the event loop the awaiting test runs.
void answerDialog(std::function<void(QFileDialog*)> answer)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                answer(dialog);
                return;
            }
        }
    });
    timer->start();
}

} // namespace

TEST(FileDialogSavePanel, ShowsTheRequestAndReturnsTheChoiceOrNone)
{
    test::TempHome home;
    QFileDialog* seen = nullptr;
    SavePanelRequest request{"Export Training Data", "Export", "vantry-foil-training-20260131-090507", true};

    answerDialog([&](QFileDialog* dialog) {
        seen = dialog;
        EXPECT_EQ(dialog->windowTitle(), "Export Training Data");
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Export");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->setDirectory(home.path());
        dialog->selectFile("chosen");
        static_cast<QDialog*>(dialog)->accept();
    });
    FileDialogSavePanel panel;
    const auto chosen = QCoro::waitFor(panel.run(request));
    ASSERT_NE(seen, nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(chosen->endsWith("/chosen")) << chosen->toStdString();

    answerDialog([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    EXPECT_EQ(QCoro::waitFor(panel.run(request)), std::nullopt);
}

TEST(FileDialogSavePanel, ClosingTheParentWindowEndsTheWaitWithNothing)
{
    auto* window = new QWidget;
    window->show();
    answerDialog([window](QFileDialog*) { delete window; });
    FileDialogSavePanel panel(window);
    const auto chosen = QCoro::waitFor(panel.run({"Export Training Data", "Export", "name", true}));
    EXPECT_EQ(chosen, std::nullopt);
}

TEST(FileDialogSavePanel, ShowsTheMessageAndOffersOnlyTheRequestedFiles)
{
    test::TempHome home;
    SavePanelRequest request;
    request.title = "Export scanned cards";
    request.prompt = "Save";
    request.proposedName = "vantry-scan-2026-03-09.csv";
    request.message = "Save these cards as a ManaBox-format CSV.";
    request.nameFilters = {"CSV files (*.csv)"};
    request.defaultSuffix = "csv";
    QString shownMessage;
    QStringList filters;
    answerDialog([&](QFileDialog* dialog) {
        if (auto* label = dialog->findChild<QLabel*>("savePanelMessage"); label && label->isVisible())
            shownMessage = label->text();
        filters = dialog->nameFilters();
        dialog->setDirectory(home.path());
        dialog->selectFile("cards"); // typed without the suffix
        static_cast<QDialog*>(dialog)->accept();
    });
    FileDialogSavePanel panel;
    const auto chosen = QCoro::waitFor(panel.run(request));
    EXPECT_EQ(shownMessage, "Save these cards as a ManaBox-format CSV.");
    EXPECT_EQ(filters, QStringList{"CSV files (*.csv)"});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(chosen->endsWith("/cards.csv")) << chosen->toStdString();
}
