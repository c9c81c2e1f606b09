#include "support/TempHome.h"

#include <QDir>

namespace vantry::test {

namespace {
const char* const variables[] = {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"};
}

TempHome::TempHome()
{
    for (const char* name : variables)
        saved_[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
    const QString home = dir_.path();
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + "/.local/share"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home + "/.local/state"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + "/.cache"));
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : saved_) {
        if (value.first)
            qputenv(name.constData(), value.second);
        else
            qunsetenv(name.constData());
    }
}

} // namespace vantry::test
