#include "core/records/TrainingDataStore.h"

#include "platform/SerialQueue.h"
#include "platform/Paths.h"
#include "platform/WholeFileWrite.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QLoggingCategory>

#include <opencv2/imgproc.hpp>
#include <sqlite3.h>

#include <future>

Q_LOGGING_CATEGORY(lcTraining, "com.vantry.capture.training", QtInfoMsg)

namespace vantry {

namespace {

const char* const schemaScript = "CREATE TABLE IF NOT EXISTS labels (\n"
                                 "  id TEXT PRIMARY KEY,\n"
                                 "  scryfall_id TEXT NOT NULL,\n"
                                 "  finish TEXT NOT NULL,\n"
                                 "  verified INTEGER NOT NULL,\n"
                                 "  timestamp TEXT NOT NULL,\n"
                                 "  thumbnail_filename TEXT NOT NULL,\n"
                                 "  app_version TEXT NOT NULL\n"
                                 ");\n"
                                 "CREATE INDEX IF NOT EXISTS idx_finish ON labels(finish);\n"
                                 "CREATE INDEX IF NOT EXISTS idx_verified ON labels(verified);\n"
                                 "CREATE INDEX IF NOT EXISTS idx_timestamp ON labels(timestamp);";

const char* const insertOrReplace = "INSERT OR REPLACE INTO labels (id, scryfall_id, finish, verified, timestamp, "
                                    "thumbnail_filename, app_version) VALUES (?, ?, ?, ?, ?, ?, ?);";
const char* const insertOrIgnore = "INSERT OR IGNORE INTO labels (id, scryfall_id, finish, verified, timestamp, "
                                   "thumbnail_filename, app_version) VALUES (?, ?, ?, ?, ?, ?, ?);";

const char* const statsQuery = "SELECT\n"
                               "  COUNT(*),\n"
                               "  SUM(CASE WHEN finish='foil' THEN 1 ELSE 0 END),\n"
                               "  SUM(CASE WHEN finish='nonfoil' THEN 1 ELSE 0 END),\n"
                               "  SUM(CASE WHEN finish='etched' THEN 1 ELSE 0 END),\n"
                               "  SUM(verified),\n"
                               "  COUNT(*) - SUM(verified)\n"
                               "FROM labels;";

const char* const labelsQuery = "SELECT id, scryfall_id, finish, verified, timestamp, thumbnail_filename, app_version\n"
                                "FROM labels\n"
                                "ORDER BY timestamp ASC;";

// Another store (or process) holding the write lock makes us wait this long, not fail.
constexpr int busyTimeoutMs = 5000;

QString sqliteMessage(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("<no db>");
}

void logError(const QString& message) { qCCritical(lcTraining).noquote() << message; }

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

std::optional<QString> columnText(sqlite3_stmt* statement, int index)
{
    const unsigned char* text = sqlite3_column_text(statement, index);
    if (!text)
        return std::nullopt;
    return QString::fromUtf8(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, index));
}

bool makeFolder(const QString& path)
{
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

} // namespace

TrainingDataStore::Error::Error(QString domain, int code, const QString& description)
    : std::runtime_error(description.toStdString()), domain_(std::move(domain)), code_(code)
{
}

TrainingDataStore::TrainingDataStore(std::optional<QString> baseURL)
    : dbQueue_(std::make_unique<SerialQueue>(QStringLiteral("com.vantry.capture.training"),
                                             SerialQueue::Priority::lowered))
{
    if (baseURL) {
        baseURL_ = *baseURL;
    } else {
        const QString appData = paths::appDataDir();
        if (!QFileInfo(appData).isDir())
            throw Error(QStringLiteral("file"), 0, QStringLiteral("Could not create folder ") + appData);
        baseURL_ = appData + QStringLiteral("/training");
    }
    thumbnailsURL_ = baseURL_ + QStringLiteral("/thumbnails");
    if (!makeFolder(thumbnailsURL_))
        throw Error(QStringLiteral("file"), 0, QStringLiteral("Could not create folder ") + thumbnailsURL_);
    openAndMigrate();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // Queued appends must reach the database before the application ends.
        SerialQueue* queue = dbQueue_.get();
        terminateObserver_ = QObject::connect(app, &QCoreApplication::aboutToQuit, app, [queue] { queue->drain(); },
                                              Qt::DirectConnection);
    }
}

TrainingDataStore::~TrainingDataStore()
{
    QObject::disconnect(terminateObserver_);
    dbQueue_.reset(); // runs what is queued, then stops the worker
    if (db_)
        sqlite3_close_v2(db_);
}

void TrainingDataStore::openAndMigrate()
{
    const QString path = baseURL_ + QStringLiteral("/labels.db");
    const QByteArray native = QFile::encodeName(path);
    if (sqlite3_open(native.constData(), &db_) != SQLITE_OK) {
        const QString message = sqliteMessage(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(QStringLiteral("TrainingDataStore"), 1,
                    QStringLiteral("Failed to open ") + path + QStringLiteral(": ") + message);
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    if (sqlite3_exec(db_, schemaScript, nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = sqliteMessage(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(QStringLiteral("TrainingDataStore"), 2, QStringLiteral("Schema migration failed: ") + message);
    }
}

template <class F>
auto TrainingDataStore::runSync(F work) -> decltype(work())
{
    using T = decltype(work());
    // Shared, because the worker may still be leaving the task when the caller wakes up.
    auto task = std::make_shared<std::packaged_task<T()>>(std::move(work));
    std::future<T> result = task->get_future();
    dbQueue_->submit([task] { (*task)(); });
    return result.get();
}

void TrainingDataStore::appendBatch(std::vector<std::pair<TrainingLabel, QImage>> batch, bool replaceExisting)
{
    if (batch.empty())
        return;
    // The destructor drains the queue before the database closes, so `this` outlives the job.
    dbQueue_->submit([this, batch = std::move(batch), replaceExisting] { writeBatch(batch, replaceExisting); });
}

void TrainingDataStore::writeBatch(const std::vector<std::pair<TrainingLabel, QImage>>& batch, bool replaceExisting)
{
    if (!db_)
        return;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, replaceExisting ? insertOrReplace : insertOrIgnore, -1, &statement, nullptr) !=
        SQLITE_OK) {
        logError(QStringLiteral("training: prepare failed: ") + sqliteMessage(db_));
        sqlite3_finalize(statement);
        return;
    }
    // Thumbnails first, outside the transaction: rendering a large batch takes seconds, and
    // holding the write lock that long would make another store's batch time out and drop rows.
    std::vector<const TrainingLabel*> ready;
    ready.reserve(batch.size());
    for (const auto& [label, image] : batch) {
        if (!isSafeThumbnailName(label.thumbnailFilename)) {
            logError(QStringLiteral("training: unsafe thumbnail filename for ") + label.id);
            continue;
        }
        const QString thumbnailPath = thumbnailsURL_ + QLatin1Char('/') + label.thumbnailFilename;
        // An empty file is what a full disk used to leave behind: it is no thumbnail.
        const QFileInfo existing(thumbnailPath);
        if (!existing.exists() || existing.size() == 0) {
            const std::optional<QByteArray> jpeg = jpegData(image);
            if (!jpeg) {
                logError(QStringLiteral("training: thumbnail render failed for ") + label.id);
                continue;
            }
            QString error;
            if (!writeWholeFile(thumbnailPath, *jpeg, &error)) {
                logError(QStringLiteral("training: thumbnail write failed: ") + error);
                continue;
            }
        }
        ready.push_back(&label);
    }

    const bool began = sqlite3_exec(db_, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const TrainingLabel* label : ready) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        bindText(statement, 1, label->id);
        bindText(statement, 2, label->scryfallId);
        bindText(statement, 3, rawValue(label->finish));
        sqlite3_bind_int(statement, 4, label->verified ? 1 : 0);
        bindText(statement, 5, label->timestamp);
        bindText(statement, 6, label->thumbnailFilename);
        bindText(statement, 7, label->appVersion);
        if (sqlite3_step(statement) != SQLITE_DONE)
            logError(QStringLiteral("training: insert failed: ") + sqliteMessage(db_));
    }

    if (began && sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        logError(QStringLiteral("training: commit failed: ") + sqliteMessage(db_));
        sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(statement);
}

TrainingDataStats TrainingDataStore::stats()
{
    return runSync([this] {
        TrainingDataStats stats;
        sqlite3_stmt* statement = nullptr;
        if (!db_ || sqlite3_prepare_v2(db_, statsQuery, -1, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            return stats;
        }
        if (sqlite3_step(statement) == SQLITE_ROW) {
            stats.total = sqlite3_column_int(statement, 0);
            stats.foil = sqlite3_column_int(statement, 1);
            stats.nonfoil = sqlite3_column_int(statement, 2);
            stats.etched = sqlite3_column_int(statement, 3);
            stats.verified = sqlite3_column_int(statement, 4);
            stats.autoAccepted = sqlite3_column_int(statement, 5);
        }
        sqlite3_finalize(statement);
        return stats;
    });
}

std::vector<TrainingLabel> TrainingDataStore::allLabels()
{
    return runSync([this] {
        std::vector<TrainingLabel> labels;
        sqlite3_stmt* statement = nullptr;
        if (!db_ || sqlite3_prepare_v2(db_, labelsQuery, -1, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            return labels;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto id = columnText(statement, 0);
            const auto scryfallId = columnText(statement, 1);
            const auto finishText = columnText(statement, 2);
            const auto timestamp = columnText(statement, 4);
            const auto thumbnail = columnText(statement, 5);
            const auto appVersion = columnText(statement, 6);
            if (!id || !scryfallId || !finishText || !timestamp || !thumbnail || !appVersion)
                continue;
            const std::optional<ScanFinish> finish = scanFinishFromRaw(*finishText);
            if (!finish)
                continue;
            labels.push_back({*id, *scryfallId, *finish, sqlite3_column_int64(statement, 3) != 0, *timestamp,
                              *thumbnail, *appVersion});
        }
        sqlite3_finalize(statement);
        return labels;
    });
}

void TrainingDataStore::wipe()
{
    runSync([this] {
        if (!db_)
            return;
        sqlite3_exec(db_, "DELETE FROM labels;", nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "VACUUM;", nullptr, nullptr, nullptr);
        QDir folder(thumbnailsURL_);
        if (!folder.exists())
            return;
        const QFileInfoList entries =
            folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            // A link is removed itself, never what it points at.
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.absoluteFilePath()).removeRecursively();
            else
                QFile::remove(entry.absoluteFilePath());
        }
    });
}

std::optional<QByteArray> TrainingDataStore::jpegData(const QImage& image)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    // Premultiplied pixels with the alpha dropped: transparent parts come out black.
    const QImage source = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const cv::Mat input(source.height(), source.width(), CV_8UC4, const_cast<uchar*>(source.constBits()),
                        size_t(source.bytesPerLine()));
    cv::Mat stretched;
    const bool shrinking = source.width() >= thumbnailSize && source.height() >= thumbnailSize;
    cv::resize(input, stretched, cv::Size(thumbnailSize, thumbnailSize), 0, 0,
               shrinking ? cv::INTER_AREA : cv::INTER_CUBIC);
    cv::Mat rgb;
    cv::cvtColor(stretched, rgb, cv::COLOR_RGBA2RGB);
    QImage thumbnail(rgb.data, rgb.cols, rgb.rows, int(rgb.step), QImage::Format_RGB888);
    thumbnail = thumbnail.copy();
    // 72 dpi, as the platform's point-sized canvas would give.
    thumbnail.setDotsPerMeterX(2835);
    thumbnail.setDotsPerMeterY(2835);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(int(jpegCompression * 100));
    if (!writer.write(thumbnail) || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

bool TrainingDataStore::isSafeThumbnailName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace vantry
