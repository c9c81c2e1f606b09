#pragma once

#include <QFrame>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace vantry {

class AlertPrompter;
class BatchSession;
class CoalescedRefresh;
class SessionStore;

// One batch tab: status dot, title, needs-review badge and (with two or more tabs) a close
// button. A click selects it; a middle click closes it when it can be closed. Closing asks
// first when confirmed or hand-added cards would be lost.
class BatchTabChip : public QFrame {
    Q_OBJECT

public:
    BatchTabChip(SessionStore& store, BatchSession& session, AlertPrompter& prompter, QWidget* parent = nullptr);

    const QUuid& sessionID() const { return id_; }
    void refresh();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void requestClose();

    SessionStore& store_;
    AlertPrompter& prompter_;
    QPointer<BatchSession> session_;
    QUuid id_;
    QLabel* dot_;
    QLabel* title_;
    QLabel* badge_;
    QToolButton* close_;
    CoalescedRefresh* refresh_;
};

// The strip of batch tabs and the "+" button over the store's sessions.
class BatchTabStrip : public QWidget {
    Q_OBJECT

public:
    BatchTabStrip(SessionStore& store, AlertPrompter& prompter, QWidget* parent = nullptr);

    QList<BatchTabChip*> chips() const;

private:
    void rebuild();

    SessionStore& store_;
    AlertPrompter& prompter_;
    QHBoxLayout* row_;
    QToolButton* add_;
};

} // namespace vantry
