#include "views/MessageBoxPrompter.h"

#include "views/Theme.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace vantry {

void MessageBoxPrompter::present(AlertSpec alert)
{
    if (!window_)
        return;
    auto* dialog = new QDialog(window_);
    dialog->setObjectName(alert.name);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(alert.title);
    dialog->setAccessibleName(alert.title);
    dialog->setAccessibleDescription(alert.message);

    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(18);
    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    auto* icon = new QLabel(dialog);
    const int iconSize = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, dialog);
    const QStyle::StandardPixmap symbol =
        alert.look == AlertSpec::Look::warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxQuestion;
    icon->setObjectName(QStringLiteral("alertSymbol"));
    icon->setAccessibleName(alert.look == AlertSpec::Look::warning ? QStringLiteral("Warning")
                                                                   : QStringLiteral("Question"));
    icon->setPixmap(dialog->style()->standardIcon(symbol, nullptr, dialog).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);
    body->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    auto* title = new QLabel(alert.title, dialog);
    title->setObjectName(QStringLiteral("alertTitle"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.1);
    title->setFont(titleFont);
    title->setWordWrap(true);
    // A button named in the message ("Switch to Recount if …") never breaks across lines.
    QString shown = alert.message;
    for (const AlertSpec::Button& button : alert.buttons) {
        QString joined = button.text;
        joined.replace(QLatin1Char(' '), QChar(0x00A0));
        shown.replace(button.text, joined);
    }
    // Nor does a folder path break at its slashes ("~/Pictures/B0012" on two lines reads as two).
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u2060"));
    auto* message = new QLabel(shown, dialog);
    message->setObjectName(QStringLiteral("alertMessage"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    // A fixed column: a short text stays on one line, a long one wraps between words at an
    // even width instead of where the label's own size guess puts it.
    const int oneLine = std::max(message->fontMetrics().horizontalAdvance(shown),
                                 title->fontMetrics().horizontalAdvance(alert.title)) + 4;
    const int width = std::clamp(oneLine, 260, messageWidth);
    for (QLabel* label : {title, message}) {
        label->setFixedWidth(width);
        label->setFixedHeight(label->heightForWidth(width));
    }
    texts->addWidget(title);
    texts->addWidget(message);
    body->addLayout(texts);
    column->addLayout(body);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    const AlertButtonPlan plan = AlertButtonPlan::of(alert.buttons);
    QPushButton* focus = nullptr;
    for (const std::size_t i : plan.order) {
        AlertSpec::Button& spec = alert.buttons[i];
        auto* button = new QPushButton(spec.text, dialog);
        button->setObjectName(QStringLiteral("alertButton"));
        button->setAccessibleName(spec.text);
        button->setMinimumWidth(88);
        if (spec.role == AlertSpec::Role::destructive)
            button->setStyleSheet(
                QStringLiteral("QPushButton { color: %1; }").arg(Theme::css(Theme::destructiveText)));
        // Only the default button answers Return; the others need a click or focus.
        button->setAutoDefault(false);
        if (plan.defaultButton == i) {
            button->setDefault(true);
            focus = button;
        }
        if (spec.role == AlertSpec::Role::cancel) {
            QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
        } else {
            QObject::connect(button, &QPushButton::clicked, dialog, [dialog, action = std::move(spec.action)] {
                const auto run = action; // the dialog, and this slot with it, goes once closed
                dialog->accept();
                if (run)
                    run();
            });
        }
        buttons->addWidget(button);
    }
    column->addLayout(buttons);
    // Escape (and the window's close button) is Cancel; without one it only closes.
    if (plan.escapeButton) {
        if (auto action = alert.buttons[*plan.escapeButton].action)
            QObject::connect(dialog, &QDialog::rejected, dialog, std::move(action));
    }
    column->setSizeConstraint(QLayout::SetFixedSize);
    if (focus)
        focus->setFocus();
    dialog->open();
}

} // namespace vantry
