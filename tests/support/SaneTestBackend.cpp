#include "support/SaneTestBackend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vantry::test {

QString SaneTestBackend::path()
{
    static QTemporaryDir dir;
    static const bool pointed = [] {
        qputenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit());
        return true;
    }();
    Q_UNUSED(pointed);
    return dir.path();
}

SaneTestBackend::SaneTestBackend(QMap<QString, QString> settings, int devices)
{
    const QDir dir(path());
    QFile dll(dir.filePath(QStringLiteral("dll.conf")));
    if (dll.open(QIODevice::WriteOnly))
        dll.write(devices > 0 ? "test\n" : "");

    // A small colour feeder page at a low resolution keeps the scans quick.
    QMap<QString, QString> conf{
        {QStringLiteral("number_of_devices"), QString::number(devices > 0 ? devices : 1)},
        {QStringLiteral("mode"), QStringLiteral("Color")},
        {QStringLiteral("depth"), QStringLiteral("8")},
        {QStringLiteral("resolution"), QStringLiteral("50.0")},
        {QStringLiteral("test-picture"), QStringLiteral("\"Color pattern\"")},
        {QStringLiteral("geometry_min"), QStringLiteral("0.0")},
        {QStringLiteral("geometry_max"), QStringLiteral("30.0")},
        {QStringLiteral("br_x"), QStringLiteral("30.0")},
        {QStringLiteral("br_y"), QStringLiteral("30.0")},
    };
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        conf[it.key()] = it.value();
    QFile test(dir.filePath(QStringLiteral("test.conf")));
    if (test.open(QIODevice::WriteOnly))
        for (auto it = conf.cbegin(); it != conf.cend(); ++it)
            test.write((it.key() + QLatin1Char(' ') + it.value() + QLatin1Char('\n')).toUtf8());
}

SaneTestBackend::~SaneTestBackend() = default;

} // namespace vantry::test
