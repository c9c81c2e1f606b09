#include "app/batch/ImportTexts.h"

#include "core/service/CaptureError.h"
#include "core/support/Json.h"

namespace vantry::ImportTexts {

namespace {

// A service body can be megabytes (an error page); the banner shows its start.
constexpr qsizetype bannerBodyLimit = 2000;

QString bannerBody(const QString& body)
{
    if (body.size() <= bannerBodyLimit)
        return body;
    return body.left(bannerBodyLimit) + QStringLiteral("\u2026 (") + QString::number(body.size()) +
           QStringLiteral(" characters)");
}

QString httpMessage(int status)
{
    switch (status) {
    case 400:
    case 422: return QStringLiteral("The server rejected the request body.");
    case 401:
        return QStringLiteral(
            "Not signed in (session expired). Open Settings, sign out, then sign back in, and import again.");
    case 403: return QStringLiteral("Access denied for this scope/bin. Check the workspace in Settings.");
    case 404: return QStringLiteral("Endpoint or session not found \u2014 check the API URL in Settings.");
    case 409: return QStringLiteral("The scan session was in the wrong state. Re-run the import.");
    default: return QStringLiteral("The server returned an error.");
    }
}

QString checkSessionText(const QString& sessionId)
{
    return QStringLiteral("The service may already hold part or all of this in scan session ") + sessionId +
           QStringLiteral(". Check that session in your inventory before trying again.");
}

QString plural(qint64 n, const QString& one, const QString& many)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

QString sessionName(const ImportIntent& intent)
{
    return intent.sessionId ? QStringLiteral("scan session ") + *intent.sessionId
                            : QStringLiteral("an earlier import whose scan session is not known");
}

// A damaged record may not say how many printings went out.
QString printingsOf(const ImportIntent& intent)
{
    return intent.printings > 0 ? plural(intent.printings, QStringLiteral("printing"), QStringLiteral("printings"))
                                : QStringLiteral("these cards");
}

QString destination(const ImportIntent& intent)
{
    const QString scope = intent.workspaceName && !intent.workspaceName->isEmpty() ? *intent.workspaceName
                                                                                  : intent.workspaceId;
    if (scope.isEmpty())
        return {};
    return QStringLiteral(" into ") + scope + (intent.bin ? QStringLiteral(" bin ") + *intent.bin : QString());
}

} // namespace

QString serviceFailure(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const CaptureError*>(&error)) {
        if (e->is(CaptureError::Kind::http)) {
            QString text = httpMessage(e->status()) + QStringLiteral("\n\n") + e->method() + QLatin1Char(' ') +
                           e->path() + QStringLiteral("\nHTTP ") + QString::number(e->status()) +
                           QLatin1Char('\n') + bannerBody(e->body());
            if (e->sessionId())
                text += QStringLiteral("\n\n") + checkSessionText(*e->sessionId());
            return text;
        }
        QString text = e->description();
        if (e->sessionId())
            text += QStringLiteral("\n\n") + checkSessionText(*e->sessionId());
        return text;
    }
    if (dynamic_cast<const json::Error*>(&error))
        return QStringLiteral("The server's reply could not be read: ") + QString::fromUtf8(error.what());
    return QString::fromUtf8(error.what());
}

QString failedTitle() { return QStringLiteral("Import failed"); }
QString blockedTitle() { return QStringLiteral("Import blocked"); }
QString savedNothingTitle() { return QStringLiteral("Nothing imported"); }
QString shortfallTitle() { return QStringLiteral("Import incomplete"); }
QString notRecordedTitle() { return QStringLiteral("Imported, but not recorded"); }
QString manifestNotWrittenTitle() { return QStringLiteral("Imported, but the scan manifest was not written"); }
QString heldTitle(ImportIntent::Kind kind)
{
    return kind == ImportIntent::Kind::recount ? QStringLiteral("Recount outcome unknown")
                                               : QStringLiteral("Import outcome unknown");
}
QString scansNotAddedTitle() { return QStringLiteral("Scans not added"); }

QString nothingConfirmed() { return QStringLiteral("Nothing confirmed to import."); }

QString autoImporting() { return QStringLiteral("Auto-importing fully confirmed batch."); }

QString noWorkspace()
{
    return QStringLiteral("No workspace configured, so these cards would go to personal inventory \u2014 which is "
                          "retired. Open Settings, set your workspace, then import again.");
}

QString noWorkspaceStatus() { return QStringLiteral("Import blocked \u2014 no workspace (see banner)."); }

QString evidenceUnprepared(qint64 groups, const QString& firstFailedFile)
{
    return QStringLiteral("Could not prepare scan evidence for ") + QString::number(groups) +
           QStringLiteral(" imported scan group") + (groups == 1 ? QString() : QStringLiteral("s")) +
           QStringLiteral(". Nothing was imported. First failed file: ") + firstFailedFile;
}

QString evidenceUnpreparedStatus() { return QStringLiteral("Import blocked - scan evidence could not be prepared."); }


QString recordUnreadable(const QString& reason)
{
    return QStringLiteral("Nothing was imported: the record of imported scans cannot be read \u2014 ") + reason +
           QStringLiteral(". Without it the app cannot tell which cards were imported before, so it sends nothing. "
                          "Fix the file or the data folder, then import again.");
}

QString recordUnreadableStatus()
{
    return QStringLiteral("Import blocked \u2014 the record of imported scans cannot be read (see banner).");
}

QString recordUnwritable(const QString& reason)
{
    return QStringLiteral("Nothing was imported: the record of imported scans cannot be written \u2014 ") + reason +
           QStringLiteral(". Free some disk space (or fix the data folder), then import again. Your cards are still "
                          "here.");
}

QString recordUnwritableStatus()
{
    return QStringLiteral("Import blocked \u2014 the record of imported scans cannot be written (see banner).");
}

QString ingestRecordUnreadable(const QString& reason)
{
    return QStringLiteral("No scans were added: the record of imported scans cannot be read \u2014 ") + reason +
           QStringLiteral(". Without it the app cannot tell which scans were imported before. Fix the file or the "
                          "data folder, then add the scans again.");
}

QString ingestRecordUnreadableStatus()
{
    return QStringLiteral("Scans not added \u2014 the record of imported scans cannot be read (see banner).");
}

QString notRecorded(const QString& sessionId, int imported, const QString& reason)
{
    const QString count =
        imported > 0 ? plural(imported, QStringLiteral("printing"), QStringLiteral("printings")) + QStringLiteral(", ")
                     : QString();
    return QStringLiteral("Your cards are in the inventory (") + count + QStringLiteral("scan session ") + sessionId +
           QStringLiteral("), but the record of imported scans could not be saved: ") + reason +
           QStringLiteral(". They stay marked as imported and the record is saved again every 30 s, with the next "
                          "import and at quit. Free some disk space; scanning these cards again will not import them "
                          "twice.");
}

QString notRecordedStatus(int imported)
{
    return QStringLiteral("Imported ") +
           (imported > 0 ? plural(imported, QStringLiteral("printing"), QStringLiteral("printings"))
                         : QStringLiteral("the cards")) +
           QStringLiteral(" \u2014 the record of imported scans could not be saved (see banner).");
}

QString shortfall(const QString& sessionId, int imported, int sent)
{
    return QStringLiteral("The service saved ") + QString::number(imported) + QStringLiteral(" of the ") +
           plural(sent, QStringLiteral("printing"), QStringLiteral("printings")) +
           QStringLiteral(" sent in scan session ") + sessionId +
           QStringLiteral(". These scans are marked as imported, so sending them again cannot add copies. Check "
                          "session ") +
           sessionId + QStringLiteral(" in your inventory and add the missing cards with Add Card.");
}

QString shortfallStatus(int imported, int sent)
{
    return QStringLiteral("Imported ") + QString::number(imported) + QStringLiteral(" of ") +
           plural(sent, QStringLiteral("printing"), QStringLiteral("printings")) + QStringLiteral(" \u2014 see banner.");
}

QString savedNothing(const QString& sessionId)
{
    return QStringLiteral("The server accepted the request but saved 0 cards (session ") + sessionId +
           QStringLiteral("). Nothing was imported \u2014 your cards are still here to retry. Send me this session "
                          "id.");
}

QString savedNothingStatus() { return QStringLiteral("Import saved 0 cards \u2014 see banner."); }

QString importedStatus(qint64 committedRows, int imported, const QString& scope, const std::optional<QString>& bin,
                       qint64 rowsLeft, const QStringList& notes)
{
    const QString binText = bin.value_or(QStringLiteral("(none)"));
    const QString printings = plural(imported, QStringLiteral("printing"), QStringLiteral("printings"));
    if (rowsLeft == 0)
        return QStringLiteral("Imported ") + printings + QStringLiteral(" into ") + scope + QStringLiteral(" bin ") +
               binText + QStringLiteral(". Ready for the next batch.") +
               (notes.isEmpty() ? QString() : u' ' + notes.join(u' '));
    return QStringLiteral("Imported ") +
           plural(committedRows, QStringLiteral("confirmed row"), QStringLiteral("confirmed rows")) +
           QStringLiteral(" (") + printings + QStringLiteral(") into ") + scope + QStringLiteral(" bin ") +
           binText + QStringLiteral(". ") + QString::number(rowsLeft) + QStringLiteral(" row") +
           (rowsLeft == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" still need") +
           (rowsLeft == 1 ? QStringLiteral("s") : QString()) + QStringLiteral(" review.") +
           (notes.isEmpty() ? QString() : u' ' + notes.join(u' '));
}

QString importedToast(int imported, const QString& scope, const std::optional<QString>& bin)
{
    return QStringLiteral("Imported ") + plural(imported, QStringLiteral("card"), QStringLiteral("cards")) +
           QStringLiteral(" \u2192 ") + scope +
           (bin ? QStringLiteral(" \u00B7 bin ") + *bin : QString());
}

QString manifestNotWritten(const QString& reason)
{
    return QStringLiteral("Imported successfully, but could not write the local scan manifest for evaluation: ") +
           reason;
}

QString importedThenChangedNote(const QString& name, const QString& finish, const QString& sessionId)
{
    return QStringLiteral("Imported as ") + name + QStringLiteral(" (") + finish + QStringLiteral(") in session ") +
           sessionId +
           QStringLiteral("; this change was not sent. Correct the card in your inventory. Import does not send it "
                          "again; to add the changed printing as another card, use Add Card.");
}

QString unknownStatus(const QString& sessionId)
{
    return QStringLiteral("Import outcome unknown (scan session ") + sessionId +
           QStringLiteral(") \u2014 these cards are held until you check (see banner).");
}

QString replyUnreadableReason()
{
    return QStringLiteral("The service took the import but its reply could not be read.");
}

QString replyWithoutCountReason()
{
    return QStringLiteral("The service took the import but its reply did not say how many cards it saved.");
}

QString heldBody(const ImportIntent& intent)
{
    const QString which = sessionName(intent);
    const QString check = intent.sessionId ? QStringLiteral("Check session ") + *intent.sessionId
                                           : QStringLiteral("Check your inventory");
    const QString damaged =
        intent.recovered ? QStringLiteral("The record of this import was damaged; what could be read of it is kept, "
                                          "and its scans are held as if it had been sent. ")
                         : QString();
    if (intent.kind == ImportIntent::Kind::recount)
        return damaged + QStringLiteral("The recount of ") + printingsOf(intent) + destination(intent) +
               QStringLiteral(" (") + which +
               QStringLiteral(") ended without a confirmed result, so the bins may already hold these cards. ") +
               check +
               QStringLiteral(", then choose: Mark as Imported if the recount is there, or Send Again if it is not "
                              "(the scans are released, to be recounted or imported again). Until you choose, these "
                              "scans are never sent again.");
    return damaged + QStringLiteral("The import of ") + printingsOf(intent) + destination(intent) +
           QStringLiteral(" (") + which +
           QStringLiteral(") ended without a confirmed result, so the cards may already be in your inventory. ") +
           check +
           QStringLiteral(", then choose: Mark as Imported if they are there, or Send Again if they are not "
                          "(sending again adds another copy of any that are there). Until you choose, these scans "
                          "are never sent again.");
}

QString markImportedLabel() { return QStringLiteral("Mark as Imported"); }
QString sendAgainLabel() { return QStringLiteral("Send Again"); }

QString markImportedHelp()
{
    return QStringLiteral("The cards are in your inventory: record their scans as imported and take them out of the "
                          "batch.");
}

QString sendAgainHelp()
{
    return QStringLiteral("The cards are not in your inventory: send them again. Any that are there get a second "
                          "copy.");
}

QString sendAgainQuestion(const ImportIntent& intent)
{
    return QStringLiteral("Send ") + printingsOf(intent) + QStringLiteral(" again?");
}

QString sendAgainWarning()
{
    return QStringLiteral("Only do this when you checked the inventory and the cards are not there. Any of them that "
                          "are there get a second copy.");
}

QString markedImportedStatus(const ImportIntent& intent)
{
    return QStringLiteral("Recorded ") + sessionName(intent) + QStringLiteral(" as imported.");
}

QString releasedStatus(const ImportIntent& intent, bool rowsInBatch)
{
    if (rowsInBatch)
        return QStringLiteral("Sending the cards of ") + sessionName(intent) + QStringLiteral(" again.");
    return QStringLiteral("The scans of ") + sessionName(intent) +
           QStringLiteral(" are no longer held: import their folder again to send them.");
}

QString settledByServiceStatus(const QString& sessionId, bool recount)
{
    if (recount)
        return QStringLiteral("The service reports the recount of scan session ") + sessionId +
               QStringLiteral(" as saved: its cards are recorded as imported.");
    return QStringLiteral("The service reports scan session ") + sessionId +
           QStringLiteral(" as imported: its cards are recorded as imported.");
}

QString recountRecordUnreadable(const QString& reason)
{
    return QStringLiteral("Nothing was replaced: the record of imported scans cannot be read \u2014 ") + reason +
           QStringLiteral(". Without it the app cannot tell which cards were imported before, so it sends nothing. "
                          "Fix the file or the data folder, then commit the recount again.");
}

QString recountRecordUnwritable(const QString& reason)
{
    return QStringLiteral("Nothing was replaced: the record of imported scans cannot be written \u2014 ") + reason +
           QStringLiteral(". Free some disk space (or fix the data folder), then commit the recount again. Your plan "
                          "is kept.");
}

QString recountCardsImportedMeanwhile()
{
    return QStringLiteral("Nothing was replaced: some of these cards were imported meanwhile (from another tab). "
                          "The recount is no longer valid \u2014 rebuild it.");
}

QString recountBlockedStatus() { return QStringLiteral("Recount blocked \u2014 see banner."); }

QString recountNotRecordedTitle() { return QStringLiteral("Recount saved, but not recorded"); }

QString recountNotRecorded(const QString& sessionId, const QString& bins, const QString& reason)
{
    return QStringLiteral("Your recount is saved in the inventory (scan session ") + sessionId +
           QStringLiteral(" \u2192 ") + bins +
           QStringLiteral("), but the record of imported scans could not be saved: ") + reason +
           QStringLiteral(". Its cards stay marked as imported and the record is saved again every 30 s, with the "
                          "next import and at quit. Free some disk space; scanning these cards again will not add "
                          "them twice.");
}

QString recountNotRecordedStatus()
{
    return QStringLiteral("Recount saved \u2014 the record of imported scans could not be saved (see banner).");
}

QString leftOutHeld(qint64 rows, const QString& sessionId)
{
    return plural(rows, QStringLiteral("card was"), QStringLiteral("cards were")) +
           QStringLiteral(" left out: their import in scan session ") + sessionId +
           QStringLiteral(" has no confirmed result yet (see banner).");
}

QString leftOutInFlight(qint64 rows)
{
    return plural(rows, QStringLiteral("card was"), QStringLiteral("cards were")) +
           QStringLiteral(" left out: another import is sending them right now.");
}

QString droppedAlreadyImported(qint64 rows)
{
    return plural(rows, QStringLiteral("card was"), QStringLiteral("cards were")) +
           QStringLiteral(" already imported (from another tab) and taken out of this batch.");
}

QString droppedImportedBeforeChange(qint64 rows)
{
    return plural(rows, QStringLiteral("card was"), QStringLiteral("cards were")) +
           QStringLiteral(" already imported as first sent and taken out of this batch; ") +
           (rows == 1 ? QStringLiteral("its change was") : QStringLiteral("their changes were")) +
           QStringLiteral(" not sent.");
}

QString nothingLeftToSend() { return QStringLiteral("Nothing sent: every confirmed card is already imported or held."); }

ImportOutcome::Failed::Cause notImportedCause(const std::exception& error)
{
    using Cause = ImportOutcome::Failed::Cause;
    const auto* e = dynamic_cast<const CaptureError*>(&error);
    if (!e)
        return Cause::other;
    if (e->isUpload())
        return Cause::upload;
    switch (e->kind()) {
    case CaptureError::Kind::transport:
    case CaptureError::Kind::noResponse: return Cause::unreachable;
    case CaptureError::Kind::http:
        // A scan picture goes straight to the storage address the service handed out.
        if (e->path().startsWith(QStringLiteral("http")))
            return Cause::upload;
        return e->status() >= 500 ? Cause::serverError : Cause::refused;
    default: return Cause::other;
    }
}

namespace {

// A service call that provably changed nothing: which service failed, `kept` (what was not done
// and what stays), and what to do; `again` names the retry ("import again").
QString nothingDone(const ImportOutcome::Failed& failed, const QString& attempt, const QString& kept,
                    const QString& again)
{
    using Cause = ImportOutcome::Failed::Cause;
    const QString& detail = failed.description;
    switch (failed.cause) {
    case Cause::unreachable:
        return QStringLiteral("The Vantry inventory service could not be reached (") + detail + QStringLiteral("). ") +
               kept + QStringLiteral(" Check the network connection and the API URL in Settings, then ") + again +
               QLatin1Char('.');
    case Cause::refused:
        return QStringLiteral("The Vantry inventory service refused the ") + attempt + QStringLiteral(". ") + kept +
               QStringLiteral("\n\n") + detail;
    case Cause::serverError:
        return QStringLiteral("The Vantry inventory service failed before the ") + attempt +
               QStringLiteral(" was sent. ") + kept + QStringLiteral(" Try again in a moment.\n\n") + detail;
    case Cause::upload:
        return QStringLiteral("The scan pictures could not be uploaded for the Vantry inventory service. ") + kept +
               QStringLiteral(" ") + again.left(1).toUpper() + again.mid(1) +
               QStringLiteral("; if it keeps failing, check the network connection.\n\n") + detail;
    case Cause::other: break;
    }
    return QStringLiteral("The ") + attempt + QStringLiteral(" could not be sent to the Vantry inventory service (") +
           detail + QStringLiteral("). ") + kept + QStringLiteral(" Check the API URL in Settings, then ") + again +
           QLatin1Char('.');
}

// The status line's short form: "<what failed>; <what is kept> (see banner)."
QString whatFailed(const ImportOutcome::Failed& failed, const QString& attempt)
{
    using Cause = ImportOutcome::Failed::Cause;
    switch (failed.cause) {
    case Cause::unreachable: return QStringLiteral("the inventory service could not be reached");
    case Cause::refused: return QStringLiteral("the inventory service refused the ") + attempt;
    case Cause::serverError: return QStringLiteral("the inventory service failed");
    case Cause::upload: return QStringLiteral("the scan pictures could not be uploaded");
    case Cause::other: break;
    }
    return QStringLiteral("the ") + attempt + QStringLiteral(" could not be sent");
}

} // namespace

QString notImported(const ImportOutcome::Failed& failed)
{
    return nothingDone(failed, QStringLiteral("import"), QStringLiteral("Nothing was imported, and the batch is kept."),
                       QStringLiteral("import again"));
}

QString notImportedStatus(const ImportOutcome::Failed& failed)
{
    return QStringLiteral("Nothing imported \u2014 ") + whatFailed(failed, QStringLiteral("import")) +
           QStringLiteral("; the batch is kept (see banner).");
}

QString previewNotRun(const ImportOutcome::Failed& failed)
{
    return nothingDone(failed, QStringLiteral("recount preview"),
                       QStringLiteral("The inventory was not changed, and the recount plan is kept."),
                       QStringLiteral("preview again"));
}

QString previewNotRunStatus(const ImportOutcome::Failed& failed)
{
    return QStringLiteral("Recount preview failed \u2014 ") + whatFailed(failed, QStringLiteral("recount preview")) +
           QStringLiteral("; the plan is kept (see banner).");
}

} // namespace vantry::ImportTexts
