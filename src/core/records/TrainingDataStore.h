#pragma once

#include "core/records/TrainingDataStats.h"
#include "core/records/TrainingLabel.h"

#include <QByteArray>
#include <QImage>
#include <QMetaObject>
#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

struct sqlite3;

namespace vantry {

class SerialQueue;

// The foil-training examples: "labels.db" (SQLite) and one 224×224 JPEG per thumbnail name
// in "thumbnails/" beside it. Every database access after construction runs on the
// store's own worker thread, in the order the calls were made; two stores on one folder
// share the file through SQLite's locking (immediate transactions, 5 s busy timeout).
class TrainingDataStore {
public:
    // A construction failure: domain "TrainingDataStore" with code 1 (open) or 2 (schema),
    // or domain "file" when a folder cannot be made.
    class Error : public std::runtime_error {
    public:
        Error(QString domain, int code, const QString& description);
        const QString& domain() const { return domain_; }
        int code() const { return code_; }

    private:
        QString domain_;
        int code_;
    };

    static constexpr double jpegCompression = 0.85;
    static constexpr int thumbnailSize = 224;

    // `baseURL` is used as given; none means "<data folder>/VantryCapture/training". Throws Error.
    explicit TrainingDataStore(std::optional<QString> baseURL = std::nullopt);
    // Finishes the queued work, then closes the database.
    ~TrainingDataStore();

    TrainingDataStore(const TrainingDataStore&) = delete;
    TrainingDataStore& operator=(const TrainingDataStore&) = delete;

    // Returns at once; the batch is written later on the worker. Failures are logged only.
    void appendBatch(std::vector<std::pair<TrainingLabel, QImage>> batch, bool replaceExisting);
    // These wait for the worker, so they see every batch handed over before them.
    TrainingDataStats stats();
    std::vector<TrainingLabel> allLabels(); // oldest timestamp first
    void wipe();

    const QString& baseURL() const { return baseURL_; }
    const QString& thumbnailsURL() const { return thumbnailsURL_; }

    // The whole image stretched to a 224×224 JPEG of quality 0.85; none for an empty image.
    static std::optional<QByteArray> jpegData(const QImage& image);
    // A thumbnail name must stay inside the thumbnails folder: not empty, not "." or "..",
    // no "/" and no NUL.
    static bool isSafeThumbnailName(const QString& name);

private:
    void openAndMigrate();
    void writeBatch(const std::vector<std::pair<TrainingLabel, QImage>>& batch, bool replaceExisting);
    template <class F>
    auto runSync(F work) -> decltype(work());

    std::unique_ptr<SerialQueue> dbQueue_;
    sqlite3* db_ = nullptr;
    QString baseURL_;
    QString thumbnailsURL_;
    QMetaObject::Connection terminateObserver_;
};

} // namespace vantry
