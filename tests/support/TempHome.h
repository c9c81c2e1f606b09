#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>

namespace vantry::test {

// Points HOME and the XDG_* folders at a fresh temporary folder for the life of the
// object and restores the previous values afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();

    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir_.path(); }
    // A path below the temporary home.
    QString file(const QString& relative) const { return dir_.filePath(relative); }

private:
    QTemporaryDir dir_;
    std::map<QByteArray, std::pair<bool, QByteArray>> saved_;
};

} // namespace vantry::test
