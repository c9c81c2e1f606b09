#include "app/batch/SessionStore.h"

#include "app/settings/CaptureConfig.h"

namespace vantry {

SessionStore::SessionStore(AuthService* auth, QObject* parent)
    : SessionStore([auth](const QString& folder) { return std::make_shared<BatchSession>(auth, folder); }, parent)
{
}

SessionStore::SessionStore(SessionFactory factory, QObject* parent) : QObject(parent), factory_(std::move(factory))
{
    sessions_.push_back(factory_(CaptureConfig::current().scanFolder));
    selectedID_ = sessions_.front()->id();
}

SessionStore::~SessionStore() = default;

void SessionStore::setSelectedID(const QUuid& id)
{
    selectedID_ = id;
    emit selectedIDChanged();
}

BatchSession& SessionStore::selected() const
{
    for (const auto& session : sessions_) {
        if (session->id() == selectedID_)
            return *session;
    }
    return *sessions_.front();
}

BatchSession& SessionStore::addSession()
{
    sessions_.push_back(factory_(QString()));
    emit sessionsChanged();
    setSelectedID(sessions_.back()->id());
    return *sessions_.back();
}

void SessionStore::close(const QUuid& id)
{
    if (sessions_.size() < 2)
        return;
    const auto it = std::find_if(sessions_.begin(), sessions_.end(), [&](const auto& s) { return s->id() == id; });
    if (it == sessions_.end())
        return;
    const auto index = std::size_t(it - sessions_.begin());
    const std::shared_ptr<BatchSession> closed = *it;
    sessions_.erase(it);
    closed->close();
    emit sessionsChanged();
    if (closed->id() == selectedID_)
        setSelectedID(sessions_[std::min(index, sessions_.size() - 1)]->id());
}

} // namespace vantry
