#include "core/records/TrainingExporter.h"

#include "core/records/TrainingDataStore.h"
#include "core/records/TrainingLabelCSV.h"
#include "core/support/CPUWork.h"
#include "platform/SavePanel.h"
#include "platform/WholeFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace vantry {

namespace {

bool makeFolder(const QString& path) { return QDir().mkpath(path) && QFileInfo(path).isDir(); }

// Whether `target` itself (a link there is not followed) is the file `source` names.
bool sameFile(const QString& source, const QString& target)
{
    struct stat s {};
    struct stat t {};
    return ::stat(QFile::encodeName(source).constData(), &s) == 0 &&
           ::lstat(QFile::encodeName(target).constData(), &t) == 0 && s.st_dev == t.st_dev && s.st_ino == t.st_ino;
}

} // namespace

QString TrainingExporter::proposedName(const QDateTime& now)
{
    return QStringLiteral("vantry-foil-training-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString TrainingExporter::readmeText(qsizetype labelCount)
{
    const QStringList lines{
        QStringLiteral("Vantry Capture — Foil Training Data Export"),
        QString(),
        QString::number(labelCount) + QStringLiteral(" labeled scans."),
        QString(),
        QStringLiteral("Format:"),
        QStringLiteral("  labels.csv        — id, scryfall_id, finish, verified, timestamp,"),
        QStringLiteral("                      thumbnail_filename, app_version"),
        QStringLiteral("  thumbnails/       — 224x224 JPEG per label, filename = id + .jpg"),
        QString(),
        QStringLiteral("Training notes:"),
        QStringLiteral("  1. Filter to verified=1 for the cleanest training labels. Operator"),
        QStringLiteral("     manually clicked the finish dropdown or hit Verify Foils on these."),
        QStringLiteral("     verified=0 rows were auto-confirmed by recognition and may carry"),
        QStringLiteral("     an unreviewed default finish."),
        QStringLiteral("  2. Class imbalance: typical bin is ~95% nonfoil / ~5% foil. Use"),
        QStringLiteral("     class-weighted loss OR stratified oversampling at train time."),
        QStringLiteral("  3. Suggested model: MobileNetV3-Small backbone, fine-tuned binary"),
        QStringLiteral("     classifier (foil / nonfoil), 224x224 input, sigmoid output,"),
        QStringLiteral("     BCEWithLogitsLoss with pos_weight=10 for foil."),
        QStringLiteral("  4. Export to ONNX (OpenCV's dnn module reads it) so it can be"),
        QStringLiteral("     bundled into a future Vantry Capture release."),
        QString(),
        QStringLiteral("Train/eval split:"),
        QStringLiteral("  Use the timestamp column for a chronological split — train on the"),
        QStringLiteral("  older 80%, validate on the newer 20%. Random splits leak scanner-"),
        QStringLiteral("  drift information and over-estimate test accuracy."),
    };
    return lines.join(QLatin1Char('\n'));
}

bool TrainingExporter::write(const std::vector<TrainingLabel>& labels, const TrainingDataStore& store,
                             const QString& folder)
{
    const QString thumbnails = folder + QStringLiteral("/thumbnails");
    if (!makeFolder(folder) || !makeFolder(thumbnails))
        return false;
    if (!writeWholeFile(folder + QStringLiteral("/labels.csv"), TrainingLabelCSV::render(labels).toUtf8()))
        return false;
    for (const TrainingLabel& label : labels) {
        if (!TrainingDataStore::isSafeThumbnailName(label.thumbnailFilename))
            continue;
        const QString source = store.thumbnailsURL() + QLatin1Char('/') + label.thumbnailFilename;
        const QString target = thumbnails + QLatin1Char('/') + label.thumbnailFilename;
        if (!QFileInfo::exists(source))
            continue;
        // Exporting into the store's own folder: removing the target would delete the source.
        if (sameFile(source, target))
            continue;
        // A link there is replaced itself, never the file it points at.
        if (QFileInfo(target).isSymLink())
            QFile::remove(target);
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = in.readAll();
        if (in.error() != QFileDevice::NoError || !writeWholeFile(target, bytes))
            return false;
    }
    return writeWholeFile(folder + QStringLiteral("/README.txt"), readmeText(qsizetype(labels.size())).toUtf8());
}

QCoro::Task<std::optional<QString>> TrainingExporter::runWithSavePanel(std::shared_ptr<TrainingDataStore> store,
                                                                       std::shared_ptr<SavePanel> panel,
                                                                       QDateTime now)
{
    SavePanelRequest request;
    request.title = QStringLiteral("Export Training Data");
    request.prompt = QStringLiteral("Export");
    request.proposedName = proposedName(now);
    request.canCreateDirectories = true;
    const std::optional<QString> chosen = co_await panel->run(request);
    if (!chosen || chosen->isEmpty())
        co_return std::nullopt;
    // Reading every label and copying the thumbnails block: both run on the CPU pool while this
    // frame keeps the store alive.
    TrainingDataStore* raw = store.get();
    const QString folder = *chosen;
    const bool written = co_await CPUWork::run(
        [raw, folder] { return write(raw->allLabels(), *raw, folder); },
        CPULane::interactive);
    if (!written)
        co_return std::nullopt;
    co_return chosen;
}

} // namespace vantry
