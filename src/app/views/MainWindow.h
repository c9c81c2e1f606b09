#pragma once

#include <QMainWindow>

namespace vantry {

// The application's main window. Later screens are placed in its central area.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace vantry
