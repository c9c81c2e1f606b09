#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantry {

// SIGTERM (a logout or shutdown), SIGINT and SIGHUP, delivered as `received` on the thread
// that made this object, so that the application can quit the way closing its window does:
// its stores drained, its records on disk. The handler itself only writes the signal's
// number into a pipe. One object per process; the destructor puts the default handlers back.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (no pipe).
    bool installed() const { return notifier_ != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vantry
