#include "views/RecountCardRows.h"

#include "views/Theme.h"

#include <QFrame>
#include <QVBoxLayout>

namespace vantry::RecountCardRows {

void place(QVBoxLayout* column, QHash<QUuid, CardRow*>& shown, const std::vector<CaptureViewModel::Row>& rows,
           const std::shared_ptr<CaptureViewModel>& model, const CardRowOptions& options)
{
    while (QLayoutItem* item = column->takeAt(0)) {
        QWidget* widget = item->widget();
        if (widget && !qobject_cast<CardRow*>(widget))
            delete widget; // a divider
        delete item;
    }
    QWidget* host = column->parentWidget();
    QHash<QUuid, CardRow*> next;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            column->addWidget(Theme::divider(host));
        CardRow* widget = shown.take(rows[i].id);
        if (!widget)
            widget = new CardRow(model, rows[i].id, options, host);
        widget->show();
        column->addWidget(widget);
        next.insert(rows[i].id, widget);
    }
    column->addStretch(1);
    for (CardRow* gone : std::as_const(shown)) {
        gone->hide();
        gone->deleteLater();
    }
    shown = std::move(next);
}

} // namespace vantry::RecountCardRows
