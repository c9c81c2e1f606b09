#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace vantry::test {

// Points SANE_CONFIG_DIR at a private folder whose dll.conf enables only SANE's "test"
// backend, with a test.conf built from the defaults plus `settings` (key → value as written
// in test.conf). `devices` 0 gives a SANE without scanners. SANE reads the variable once per
// process, so the folder is the same for the whole test run and only its files change; they
// are read at the next sane_init, so create this before the first SANE user of a test.
class SaneTestBackend {
public:
    explicit SaneTestBackend(QMap<QString, QString> settings = {}, int devices = 1);
    ~SaneTestBackend();

    SaneTestBackend(const SaneTestBackend&) = delete;
    SaneTestBackend& operator=(const SaneTestBackend&) = delete;

    static QString path();
};

} // namespace vantry::test
