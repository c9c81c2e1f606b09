#include "app/views/MessageBoxPrompter.h"

#include <QMessageBox>
#include <QPushButton>

namespace vantry {

void MessageBoxPrompter::present(AlertSpec alert)
{
    if (!window_)
        return;
    auto* box = new QMessageBox(window_);
    box->setObjectName(alert.name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setText(alert.title);
    box->setInformativeText(alert.message);
    box->setAccessibleName(alert.title);
    for (auto& spec : alert.buttons) {
        QMessageBox::ButtonRole role = QMessageBox::ActionRole;
        switch (spec.role) {
        case AlertSpec::Role::cancel: role = QMessageBox::RejectRole; break;
        case AlertSpec::Role::destructive: role = QMessageBox::DestructiveRole; break;
        case AlertSpec::Role::defaultAction: role = QMessageBox::AcceptRole; break;
        case AlertSpec::Role::normal: role = QMessageBox::ActionRole; break;
        }
        QPushButton* button = box->addButton(spec.text, role);
        if (spec.role == AlertSpec::Role::cancel)
            box->setEscapeButton(button);
        if (spec.role == AlertSpec::Role::defaultAction)
            box->setDefaultButton(button);
        if (spec.action)
            QObject::connect(button, &QPushButton::clicked, box, std::move(spec.action));
    }
    box->open();
}

} // namespace vantry
