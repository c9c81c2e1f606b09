#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace vantry {

// One import as the data folder remembers it until the imported-scan ledger holds its keys.
// It is written before the service is asked to import, so that a process that dies at any
// moment after that call leaves behind what it may have imported.
struct ImportIntent {
    enum class State {
        reserved, // taken at the press of Import; the import call has not been made
        sent,     // the import call went out: until the service's answer proves otherwise the
                  // cards may be in the inventory
        imported, // the service confirmed it; its keys still have to reach the ledger
    };

    // What the service was asked to do with the scans: add them (an import), or replace the
    // contents of bins with them (a recount). Both put the scans in the inventory.
    enum class Kind { import, recount };

    QUuid id;
    Kind kind = Kind::import;
    State state = State::reserved;
    std::optional<QString> sessionId;
    QString workspaceId;
    std::optional<QString> workspaceName;
    std::optional<QString> bin;
    // The ledger keys of every scan of the import.
    std::vector<QString> keys;
    // Printings sent (the number of items); 0 when a damaged file did not say.
    int printings = 0;
    QDateTime createdAt;
    // Read back from a damaged file: its keys are whole, anything else may be missing.
    bool recovered = false;

    bool operator==(const ImportIntent&) const = default;

    static QString rawValue(State state);
    static std::optional<State> stateFromRaw(const QString& raw);
};

// The file's content: {"intents":[{...}, ...]}, in the order the imports started.
struct ImportIntentList {
    std::vector<ImportIntent> intents;

    bool operator==(const ImportIntentList&) const = default;

    QByteArray encoded() const;
    // Exactly the shape `encoded` writes (unknown members are ignored); none otherwise.
    static std::optional<ImportIntentList> decodeStrict(const QByteArray& data);
    // Each intent of a file that does not decode strictly (a member of the wrong shape, a
    // file cut short or damaged part way), recovered on its own: an intent that decodes is
    // kept as it is; any other keeps the whole strings of its "keys", its state when it is
    // known (else `sent`, so it is held), and its session, workspace, bin and count where they
    // are readable, and is marked `recovered`. No other string ever becomes a key. None when
    // no key of any intent can be recovered.
    static std::optional<ImportIntentList> recover(const QByteArray& data);
};

} // namespace vantry
