// The batch's service client, default workspace, stale-session clean-up and bins list.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/CaptureViewModelImportState.h"
#include "app/batch/ImportOutcome.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/service/CaptureError.h"
#include "core/service/HTTPTransport.h"
#include "core/support/StdoutTrace.h"

#include <algorithm>

namespace vantry {

namespace {

// The providers hold the sign-in service weakly and hand back copies: a request may
// outlive a sign-out, never the service's own values.
QCoro::Task<std::optional<QString>> currentAccessToken(QPointer<AuthService> auth)
{
    std::optional<QString> token;
    if (auth)
        token = auth->accessToken();
    co_return token;
}

QCoro::Task<bool> refreshedAccessToken(QPointer<AuthService> auth)
{
    if (!auth)
        co_return false;
    const bool refreshed = co_await auth->refreshAccessToken();
    co_return refreshed;
}

QString plainDescription(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const CaptureError*>(&error))
        return e->description();
    return QString::fromUtf8(error.what());
}

} // namespace

CaptureViewModel::ImportState& CaptureViewModel::importState()
{
    if (!importState_)
        importState_ = std::make_shared<ImportState>();
    return *importState_;
}

VantryClient CaptureViewModel::makeClient(const QString& workspaceId) const
{
    return makeClient(config(), workspaceId);
}

VantryClient CaptureViewModel::makeClient(const CaptureConfig& settings, const QString& workspaceId) const
{
    const QPointer<AuthService> auth = auth_;
    auto transport = std::make_shared<HTTPTransport>(
        settings.apiURL, [auth] { return currentAccessToken(auth); }, [auth] { return refreshedAccessToken(auth); });
    QString email;
    if (auth_ && auth_->email())
        email = *auth_->email();
    return VantryClient(std::move(transport), email, workspaceId).withSleeper(collaborators_.pollSleeper);
}

QCoro::Task<> CaptureViewModel::resolveDefaultWorkspace()
{
    const auto self = shared_from_this();
    const CaptureConfig settings = config();
    if (!settings.workspaceId.isEmpty())
        co_return;
    if (!auth_ || !auth_->email())
        co_return;
    const VantryClient client = makeClient(settings, QString());
    std::vector<WorkspaceSummary> workspaces;
    std::optional<QString> failure;
    try {
        workspaces = co_await client.listWorkspaces();
    } catch (const std::exception& e) {
        failure = plainDescription(e);
    }
    if (failure) {
        StdoutTrace::print(TraceTopic::workspace, QStringLiteral("could not resolve default workspace: ") + *failure);
        co_return;
    }
    if (workspaces.empty()) {
        StdoutTrace::print(TraceTopic::workspace,
                           QStringLiteral("caller has no workspace \u2014 imports would go to personal"));
        co_return;
    }
    const WorkspaceSummary& first = workspaces.front();
    const auto store = SettingsStore::standard();
    store->setString(SettingsKeys::workspaceId, first.wsId);
    store->setString(SettingsKeys::workspaceName, first.name.value_or(QString()));
    StdoutTrace::print(TraceTopic::workspace, QStringLiteral("defaulted import scope to ") + first.wsId +
                                                  QStringLiteral(" (") + first.name.value_or(QStringLiteral("unnamed")) +
                                                  QStringLiteral(")"));
}

QCoro::Task<bool> CaptureViewModel::resolveImportWorkspace()
{
    const auto self = shared_from_this();
    if (config().workspaceId.isEmpty())
        co_await resolveDefaultWorkspace();
    if (!config().workspaceId.isEmpty())
        co_return true;
    publishImport(ImportOutcome{ImportOutcome::Blocked{ImportOutcome::Blocked::Why::noWorkspace}});
    co_return false;
}

QCoro::Task<> CaptureViewModel::cleanupStaleScanSessions()
{
    const auto self = shared_from_this();
    if (config().workspaceId.isEmpty())
        co_await resolveDefaultWorkspace();
    const QString workspaceId = config().workspaceId;
    if (workspaceId.isEmpty())
        co_return;
    const VantryClient client = makeClient(workspaceId);
    VantryClient::CleanupStaleResult result;
    std::optional<QString> failure;
    try {
        result = co_await client.cleanupStaleScanSessions(std::nullopt);
    } catch (const std::exception& e) {
        failure = plainDescription(e);
    }
    if (failure) {
        StdoutTrace::print(TraceTopic::scanSession,
                           QStringLiteral("GC of stale sessions failed (non-fatal): ") + *failure);
        co_return;
    }
    const auto n = qint64(result.deletedSessionIds.size());
    if (n == 0)
        co_return;
    showToast(QStringLiteral("Cleaned up ") + QString::number(n) + QStringLiteral(" stale scan session") +
              (n == 1 ? QString() : QStringLiteral("s")));
    QStringList ids(result.deletedSessionIds.begin(), result.deletedSessionIds.end());
    StdoutTrace::print(TraceTopic::scanSession, QStringLiteral("GC removed ") + QString::number(n) +
                                                    QStringLiteral(" stale reviewing sessions: ") +
                                                    ids.join(QStringLiteral(", ")));
}

} // namespace vantry
