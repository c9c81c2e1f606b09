#pragma once

namespace vantry {

// How one ingest adds its cards; named at every call, e.g.
// `IngestOptions{.append = true, .showProgress = true, .autoImport = true}`.
struct IngestOptions {
    // Add to the batch; false replaces it.
    bool append = false;
    // Show the progress bar and count as work while it runs.
    bool showProgress = false;
    // Start the automatic import at the end when the batch is ready for it.
    bool autoImport = false;
    // The cards are a folder's scans (Import Folder), not scans that came in; the run's
    // closing line says which.
    bool wholeFolder = false;
};

} // namespace vantry
