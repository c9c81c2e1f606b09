#pragma once

#include "app/batch/ImportOutcome.h"
#include "core/records/ImportIntent.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <optional>

namespace vantry::ImportTexts {

// The red banner's text for a failure of a service call (import, recount, bins list).
QString serviceFailure(const std::exception& error);

// Banner titles: each says what happened, never "failed" beside a success.
QString failedTitle();            // "Import failed"
QString blockedTitle();           // "Import blocked"
QString savedNothingTitle();      // "Nothing imported"
QString shortfallTitle();         // "Import incomplete"
QString notRecordedTitle();       // "Imported, but not recorded"
QString manifestNotWrittenTitle(); // "Imported, but the scan manifest was not written"
QString heldTitle(ImportIntent::Kind kind = ImportIntent::Kind::import); // "Import outcome unknown"
QString scansNotAddedTitle();     // "Scans not added"

// Nothing is confirmed, or nothing confirmed is left to send.
QString nothingConfirmed();
// A fully confirmed batch goes in without a press of Import.
QString autoImporting();
// No workspace, and none to default to: nothing is sent.
QString noWorkspace();
QString noWorkspaceStatus();
// Scan groups whose evidence could not be rendered: nothing is sent.
QString evidenceUnprepared(qint64 groups, const QString& firstFailedFile);
QString evidenceUnpreparedStatus();

// The record of imported scans (ledger or intents) cannot be read: nothing is sent.
QString recordUnreadable(const QString& reason);
QString recordUnreadableStatus();
// The intent cannot be written before the import call: nothing is imported.
QString recordUnwritable(const QString& reason);
QString recordUnwritableStatus();
// Ingest cannot tell which scans were imported before: nothing is added.
QString ingestRecordUnreadable(const QString& reason);
QString ingestRecordUnreadableStatus();

// The service confirmed the import but the ledger write failed.
QString notRecorded(const QString& sessionId, int imported, const QString& reason);
QString notRecordedStatus(int imported);

// The service saved fewer printings than were sent.
QString shortfall(const QString& sessionId, int imported, int sent);
QString shortfallStatus(int imported, int sent);

// The service answered that it saved no card.
QString savedNothing(const QString& sessionId);
QString savedNothingStatus();

// Success, with the rows left in the batch and the notes of rows left out at the press of Import.
QString importedStatus(qint64 committedRows, int imported, const QString& scope, const std::optional<QString>& bin,
                       qint64 rowsLeft, const QStringList& notes);
QString importedToast(int imported, const QString& scope, const std::optional<QString>& bin);
// Imported, but the local scan manifest could not be written.
QString manifestNotWritten(const QString& reason);
// A row whose printing changed while its import ran: it stays in the batch, and its change is
// never sent.
QString importedThenChangedNote(const QString& name, const QString& finish, const QString& sessionId);

// The import call ended without proof either way; the cards are held.
QString unknownStatus(const QString& sessionId);
// Why a reply leaves the outcome unknown.
QString replyUnreadableReason();
QString replyWithoutCountReason();
QString heldBody(const ImportIntent& intent);
QString markImportedLabel(); // "Mark as Imported"
QString sendAgainLabel();    // "Send Again"
QString markImportedHelp();
QString sendAgainHelp();
// The question before sending held cards again.
QString sendAgainQuestion(const ImportIntent& intent);
QString sendAgainWarning();
// After the user's choice.
QString markedImportedStatus(const ImportIntent& intent);
QString releasedStatus(const ImportIntent& intent, bool rowsInBatch);
// A held import the service's session record showed as imported (a recount: as saved).
QString settledByServiceStatus(const QString& sessionId, bool recount = false);

// Confirmed rows left out at the press of Import.
QString leftOutHeld(qint64 rows, const QString& sessionId);
QString leftOutInFlight(qint64 rows);
QString droppedAlreadyImported(qint64 rows);
QString droppedImportedBeforeChange(qint64 rows);
QString nothingLeftToSend();

// An import that provably reached nothing: which service failed, that nothing was imported and
// the batch is kept, and what to do. Only for failures that prove it, never for a held import.
ImportOutcome::Failed::Cause notImportedCause(const std::exception& error);
QString notImported(const ImportOutcome::Failed& failed);
QString notImportedStatus(const ImportOutcome::Failed& failed);
// A recount commit stopped before the replacement went out because the record of imported
// scans cannot be read or written: nothing was replaced.
QString recountRecordUnreadable(const QString& reason);
QString recountRecordUnwritable(const QString& reason);
// Cards of the recount imported meanwhile by another tab: nothing was replaced.
QString recountCardsImportedMeanwhile();
QString recountBlockedStatus(); // "Recount blocked — see banner."
// The service saved the recount but the ledger write failed.
QString recountNotRecordedTitle(); // "Recount saved, but not recorded"
QString recountNotRecorded(const QString& sessionId, const QString& bins, const QString& reason);
QString recountNotRecordedStatus();

// A recount preview (a dry run) that failed: the same for the preview, whose plan is kept.
QString previewNotRun(const ImportOutcome::Failed& failed);
QString previewNotRunStatus(const ImportOutcome::Failed& failed);

} // namespace vantry::ImportTexts
