#include "views/FileDialogFolderPicker.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantry;

namespace {

QFileDialog* openDialog()
{
    QFileDialog* found = nullptr;
    (void)QTest::qWaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                found = d;
        return found != nullptr;
    }, 5000);
    return found;
}

} // namespace

TEST(FileDialogFolderPicker, ConfirmedFolderOrNoneWhenCancelled)
{
    QTemporaryDir dir;
    FileDialogFolderPicker picker;

    auto chosen = picker.pickFolder("Watch", "Choose the scan folder");
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Watch");
    dialog->setDirectory(dir.path());
    dialog->selectFile(dir.path());
    static_cast<QDialog*>(dialog)->accept();
    const std::optional<QString> result = QCoro::waitFor(chosen);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(QDir(*result).canonicalPath(), QDir(dir.path()).canonicalPath());

    auto cancelled = picker.pickFolder("Import", "Choose a folder to import");
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    EXPECT_FALSE(QCoro::waitFor(cancelled).has_value());
}
