#include "views/MessageBoxPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace vantry {
namespace {

using Role = AlertSpec::Role;

class MessageBoxPrompterTest : public ::testing::Test {
protected:
    QWidget window;
    MessageBoxPrompter prompter{&window};
    QStringList pressed;

    MessageBoxPrompterTest()
    {
        window.resize(900, 600);
        window.show();
    }

    // The split-child warning, its buttons given in an order no desktop convention keeps.
    QDialog* present()
    {
        auto record = [this](const char* text) { return [this, text] { pressed << QString::fromLatin1(text); }; };
        prompter.present(AlertSpec{
            QStringLiteral("recountOffAlert"),
            QStringLiteral("Recount is off"),
            QStringLiteral("Scan folder looks like a split of B0001 into B0001a. Normal import will ADD these cards to "
                           "B0001a and will NOT zero out B0001. Switch to Recount if this stack is meant to replace "
                           "B0001."),
            {{QStringLiteral("Import anyway"), Role::destructive, record("Import anyway")},
             {QStringLiteral("Cancel"), Role::cancel, record("Cancel")},
             {QStringLiteral("Switch to Recount"), Role::normal, record("Switch to Recount")}},
        });
        auto* dialog = window.findChild<QDialog*>(QStringLiteral("recountOffAlert"));
        if (dialog)
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        return dialog;
    }

    static QStringList buttonsLeftToRight(QDialog* dialog)
    {
        QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>(QStringLiteral("alertButton"));
        std::sort(buttons.begin(), buttons.end(),
                  [](QPushButton* a, QPushButton* b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
        QStringList texts;
        for (QPushButton* b : buttons)
            texts << b->text();
        return texts;
    }

    static QPushButton* button(QDialog* dialog, const QString& text)
    {
        for (QPushButton* b : dialog->findChildren<QPushButton*>(QStringLiteral("alertButton")))
            if (b->text() == text)
                return b;
        return nullptr;
    }
};

TEST_F(MessageBoxPrompterTest, ButtonsStandCancelFirstAndReturnNeverImports)
{
    QPointer<QDialog> dialog = present();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(buttonsLeftToRight(dialog), (QStringList{"Cancel", "Import anyway", "Switch to Recount"}));
    EXPECT_TRUE(button(dialog, "Cancel")->isDefault());
    // The message wraps between words inside its column, and all of it shows.
    auto* message = dialog->findChild<QLabel*>(QStringLiteral("alertMessage"));
    ASSERT_TRUE(message);
    EXPECT_LE(message->width(), MessageBoxPrompter::messageWidth);
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));
    EXPECT_TRUE(message->text().contains(QStringLiteral("Switch\u00A0to\u00A0Recount if"))) << "a button's name keeps together";
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("alertSymbol"))->accessibleName(), "Warning");

    QTest::keyClick(dialog, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog; }, 2000));
    EXPECT_EQ(pressed, QStringList{"Cancel"});

    dialog = present();
    ASSERT_TRUE(dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog; }, 2000));
    EXPECT_EQ(pressed, (QStringList{"Cancel", "Cancel"}));

    dialog = present();
    ASSERT_TRUE(dialog);
    button(dialog, "Import anyway")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog; }, 2000));
    EXPECT_EQ(pressed, (QStringList{"Cancel", "Cancel", "Import anyway"})); // once, and no Cancel with it
}

// A routine question shows a question symbol, not the warning one.
TEST_F(MessageBoxPrompterTest, ARoutineQuestionCarriesNoWarningSymbol)
{
    prompter.present(AlertSpec{QStringLiteral("importAlert"),
                               QStringLiteral("Import to Vantry?"),
                               QStringLiteral("3 cards (3 distinct printings) \u2192 personal inventory, bin B0012."),
                               {{QStringLiteral("Cancel"), Role::cancel, {}}, {QStringLiteral("Import"), Role::defaultAction, {}}},
                               AlertSpec::Look::routine});
    QPointer<QDialog> dialog = window.findChild<QDialog*>(QStringLiteral("importAlert"));
    ASSERT_TRUE(dialog);
    auto* symbol = dialog->findChild<QLabel*>(QStringLiteral("alertSymbol"));
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->accessibleName(), "Question");
    const QImage shown = symbol->pixmap().toImage();
    const int size = shown.width();
    EXPECT_EQ(shown, dialog->style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, dialog).pixmap(size).toImage());
    EXPECT_NE(shown, dialog->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, dialog).pixmap(size).toImage());
    dialog->reject();
}

} // namespace
} // namespace vantry
