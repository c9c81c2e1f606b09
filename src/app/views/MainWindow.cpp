#include "app/views/MainWindow.h"

#include <QLabel>

namespace vantry {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Vantry Capture"));
    auto* placeholder = new QLabel(QStringLiteral("Vantry Capture"), this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);
    resize(1100, 760);
}

} // namespace vantry
