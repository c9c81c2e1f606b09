#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

// The folder of resources shipped with the application (the art-card index, icons).
class ResourceBundle {
public:
    // The first existing folder of `candidateDirs()`, looked up once per run. When there is
    // none the application runs without its resources; that is logged once.
    static std::optional<QString> module();

    // "<bundle>/<name>.<extension>" when the bundle holds such a file.
    static std::optional<QString> resourcePath(const QString& name, const QString& extension);

    // Lookup order: "<exe>/../share/vantry-capture", "<exe>/resources", the source tree's "resources".
    static QStringList candidateDirs(const QString& executableDir, const QString& sourceDir);

    // The first of `dirs` that is a readable folder. None: logs
    // "unable to find bundle named VantryCapture_VantryCapture" and yields nothing.
    static std::optional<QString> findIn(const QStringList& dirs);

    static std::optional<QString> resourceIn(const std::optional<QString>& bundle, const QString& name,
                                             const QString& extension);
};

} // namespace vantry
