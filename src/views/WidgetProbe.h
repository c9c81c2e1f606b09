#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace vantry {

// A developer-only window into the running application for the end-to-end test: on a local
// socket it answers "widgets" with one JSON line listing every visible widget that has a name
// in the accessibility tree (name, class, text, enabled and checked state, on-screen rectangle). It
// only reads; the test clicks and types through the X server like a user. main() starts it
// only when the environment names a socket, so normal runs never have it.
class WidgetProbe : public QObject {
    Q_OBJECT
public:
    static inline const char* environmentVariable = "VANTRY_WIDGET_PROBE";

    // Listens on `socketPath`; `listening()` tells whether it could.
    WidgetProbe(const QString& socketPath, QObject* parent = nullptr);
    bool listening() const;

    // The JSON line describing the visible named widgets.
    static QByteArray describeWidgets();

private:
    QLocalServer* server_ = nullptr;
};

} // namespace vantry
