#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace vantry {

// How one import ended, with what the batch model needs to tell the user (status line, banner,
// toast). The import flow decides; the model only publishes.
struct ImportOutcome {
    // Nothing went out: nothing was confirmed, or every confirmed card is imported, held or being
    // sent by another import (the notes say which).
    struct NothingSent {
        QStringList notes;
    };
    // Stopped before the import call: nothing reached the inventory.
    struct Blocked {
        enum class Why { noWorkspace, recordUnreadable, recordUnwritable, evidenceUnprepared };
        Why why = Why::noWorkspace;
        QString reason;           // the records' error, or the first file without evidence
        qint64 failedGroups = 0;  // scan groups without evidence
    };
    // The service refused, or failed before the import call: the cards may be sent again.
    struct Failed {
        // What failed: the banner names the service and what to do.
        enum class Cause {
            unreachable, // the service could not be reached or did not answer
            refused,     // the service refused a request (4xx)
            serverError, // the service failed on a request before the import call (5xx)
            upload,      // the scan pictures could not be uploaded
            other,       // the request could not be made (a bad address, an unreadable reply)
        };
        QString description; // the failure as the banner describes it
        Cause cause = Cause::other;
    };
    // The import call went out and nothing proves what it did: the cards are held until the
    // service's session record or the user settles it.
    struct Unknown {
        QString sessionId;
    };
    // The service's session record shows a held import as imported; `notRecorded`: why its
    // scans could not reach the ledger.
    struct SettledByService {
        QString sessionId;
        int printings = 0;
        std::optional<QString> notRecorded;
        bool ofThisBatch = false; // this batch sent it: its banner of an earlier attempt is stale
        bool recount = false;
    };
    // The service answered that it saved no card: the cards may be sent again.
    struct SavedNothing {
        QString sessionId;
    };
    // The service saved `imported` of the `sent` printings into `scope` and `location`.
    struct Saved {
        QString sessionId;
        int imported = 0;
        int sent = 0;
        QString scope;
        std::optional<QString> location;
        qint64 committedRows = 0;              // the batch rows recorded and taken out
        std::optional<QString> notRecorded;    // why the ledger could not be written
        std::optional<QString> manifestFailure;
        QStringList notes;                     // cards left out at the press of Import
    };

    std::variant<NothingSent, Blocked, Failed, Unknown, SettledByService, SavedNothing, Saved> value;
};

} // namespace vantry
