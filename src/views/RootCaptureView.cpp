#include "views/RootCaptureView.h"

#include "app/batch/SessionStore.h"
#include "views/BatchTabStrip.h"
#include "views/CaptureView.h"
#include "views/MessageBoxPrompter.h"
#include "views/Theme.h"

#include <QFrame>
#include <QVBoxLayout>

namespace vantry {

RootCaptureView::RootCaptureView(SessionStore& store, CaptureWindowState::Services services, QWidget* parent)
    : QWidget(parent), store_(store), services_(std::move(services))
{
    // The tabs' own questions; each capture window keeps its own alerts.
    if (!services_.prompter)
        ownPrompter_ = std::make_unique<MessageBoxPrompter>(this);
    setObjectName(QStringLiteral("batchTabs"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    strip_ = new BatchTabStrip(store, services_.prompter ? *services_.prompter : *ownPrompter_, this);
    layout_->addWidget(strip_);
    layout_->addWidget(Theme::divider(this, Qt::Horizontal, QString()));

    connect(&store_, &SessionStore::selectedIDChanged, this, &RootCaptureView::followSelection);
    connect(&store_, &SessionStore::sessionsChanged, this, &RootCaptureView::followSelection);
    followSelection();
}

RootCaptureView::~RootCaptureView() = default;

void RootCaptureView::followSelection()
{
    BatchSession& selected = store_.selected();
    if (view_ && shownID_ == selected.id())
        return;
    // The old window goes first: its heartbeat and clock stop, the batch runs on.
    if (view_) {
        layout_->removeWidget(view_);
        view_->retire();
        // Later: the selection may have changed from inside the old window.
        view_->deleteLater();
    }
    shownID_ = selected.id();
    CaptureWindowState::Services services = services_;
    if (!services.otherTabFolders) {
        // A tab never takes a folder another open tab works in.
        services.otherTabFolders = [store = &store_, id = selected.id()] {
            QStringList folders;
            for (const auto& session : store->sessions())
                if (session->id() != id && !session->scanFolderPath().isEmpty())
                    folders << session->scanFolderPath();
            return folders;
        };
    }
    view_ = new CaptureView(selected, std::move(services), this);
    layout_->addWidget(view_, 1);
    emit captureViewRebuilt(view_);
}

} // namespace vantry
