#pragma once

#include "core/records/ImportIntent.h"

#include <QString>

namespace vantry::ImportTexts {

// Banner titles: each says what happened, never "failed" beside a success.
QString failedTitle();            // "Import failed"
QString blockedTitle();           // "Import blocked"
QString savedNothingTitle();      // "Nothing imported"
QString shortfallTitle();         // "Import incomplete"
QString notRecordedTitle();       // "Imported, but not recorded"
QString manifestNotWrittenTitle(); // "Imported, but the scan manifest was not written"
QString heldTitle();              // "Import outcome unknown"
QString scansNotAddedTitle();     // "Scans not added"

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

// The import call ended without proof either way; the cards are held.
QString unknownStatus(const QString& sessionId);
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
// A held import the service's session record showed as imported.
QString settledByServiceStatus(const QString& sessionId);

// Confirmed rows left out at the press of Import.
QString leftOutHeld(qint64 rows, const QString& sessionId);
QString leftOutInFlight(qint64 rows);
QString droppedAlreadyImported(qint64 rows);
QString nothingLeftToSend();

} // namespace vantry::ImportTexts
