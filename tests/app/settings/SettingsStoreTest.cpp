#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"

#include "platform/Paths.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

using namespace vantry;

namespace {

void writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

TEST(SettingsStore, AbsentKeysReadEmptyAndReadingWritesNothing)
{
    test::TempHome home;
    auto store = SettingsStore::standard();
    EXPECT_EQ(store->filePath(), home.file(".config/VantryCapture/VantryCapture.conf"));
    EXPECT_FALSE(store->contains(SettingsKeys::apiURL));
    EXPECT_EQ(store->string(SettingsKeys::apiURL), std::nullopt);
    EXPECT_FALSE(store->boolean(SettingsKeys::duplex));
    EXPECT_EQ(store->floating(SettingsKeys::autoThreshold), 0.0);
    EXPECT_EQ(store->integer(SettingsKeys::scanResolutionDpi), 0);
    EXPECT_FALSE(QFile::exists(store->filePath()));
}

TEST(SettingsStore, WritesReachTheFileUnderTheConfigHomeAndAFreshStore)
{
    test::TempHome home;
    auto store = SettingsStore::standard();
    store->setString(SettingsKeys::apiURL, QStringLiteral("https://api.example.test, with comma"));
    store->setString(SettingsKeys::workspaceName, QString());
    store->setBoolean(SettingsKeys::directScanEnabled, false);
    store->setFloating(SettingsKeys::autoThreshold, 0.875);
    store->setInteger(SettingsKeys::scanResolutionDpi, 300);

    QFile file(home.file(".config/VantryCapture/VantryCapture.conf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("vy.scanResolutionDpi=300")) << text.constData();
    EXPECT_TRUE(text.contains("vy.directScanEnabled=false")) << text.constData();

    SettingsStore fresh(paths::settingsFile());
    EXPECT_EQ(fresh.string(SettingsKeys::apiURL), QStringLiteral("https://api.example.test, with comma"));
    EXPECT_TRUE(fresh.contains(SettingsKeys::workspaceName));
    EXPECT_EQ(fresh.string(SettingsKeys::workspaceName), QString());
    EXPECT_TRUE(fresh.contains(SettingsKeys::directScanEnabled));
    EXPECT_FALSE(fresh.boolean(SettingsKeys::directScanEnabled));
    EXPECT_EQ(fresh.floating(SettingsKeys::autoThreshold), 0.875);
    EXPECT_EQ(fresh.integer(SettingsKeys::scanResolutionDpi), 300);
}

// Values as a person or another version may have left them in the file.
TEST(SettingsStore, TypedReadsConvertStoredText)
{
    struct Case {
        const char* stored;
        bool boolean;
        double floating;
        qint64 integer;
    };
    const Case cases[] = {
        {"true", true, 0, 0},       {"YES", true, 0, 0},     {"false", false, 0, 0},
        {"1", true, 1, 1},          {"0", false, 0, 0},      {"0.5", true, 0.5, 0},
        {"-3.9", true, -3.9, -3},   {"600", true, 600, 600}, {"12abc", false, 0, 0},
        {"\"1,5\"", false, 0, 0},   {"", false, 0, 0},       {"1e3", true, 1000, 1000},
    };
    test::TempHome home;
    QByteArray file("[General]\n");
    for (size_t i = 0; i < std::size(cases); ++i)
        file += "vy.value" + QByteArray::number(qulonglong(i)) + "=" + cases[i].stored + "\n";
    writeText(paths::settingsFile(), file);
    SettingsStore store(paths::settingsFile());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const QString key = QStringLiteral("vy.value") + QString::number(i);
        EXPECT_TRUE(store.contains(key)) << c.stored;
        EXPECT_EQ(store.boolean(key), c.boolean) << c.stored;
        EXPECT_DOUBLE_EQ(store.floating(key), c.floating) << c.stored;
        EXPECT_EQ(store.integer(key), c.integer) << c.stored;
    }
}

TEST(SettingsStore, ViewsBoundToOneKeyStayInStep)
{
    test::TempHome home;
    auto store = SettingsStore::standard();
    QObject firstView;
    QObject secondView;
    QStringList firstSeen;
    QStringList secondSeen;
    int otherKey = 0;
    store->observe(SettingsKeys::binPrefix, &firstView,
                   [&] { firstSeen << store->string(SettingsKeys::binPrefix).value_or(QStringLiteral("<absent>")); });
    store->observe(SettingsKeys::binPrefix, &secondView,
                   [&] { secondSeen << store->string(SettingsKeys::binPrefix).value_or(QStringLiteral("<absent>")); });
    store->observe(SettingsKeys::duplex, &firstView, [&] { ++otherKey; });

    store->setString(SettingsKeys::binPrefix, QStringLiteral("B12"));
    store->setString(SettingsKeys::binPrefix, QStringLiteral("B12")); // unchanged: no announcement
    store->setString(SettingsKeys::binPrefix, QStringLiteral("C"));
    store->remove(SettingsKeys::binPrefix);
    store->remove(SettingsKeys::binPrefix); // already absent

    const QStringList expected{QStringLiteral("B12"), QStringLiteral("C"), QStringLiteral("<absent>")};
    EXPECT_EQ(firstSeen, expected);
    EXPECT_EQ(secondSeen, expected);
    EXPECT_EQ(otherKey, 0);

    // Writing the value a key already holds by default still makes it present.
    store->setBoolean(SettingsKeys::duplex, false);
    EXPECT_EQ(otherKey, 1);
    EXPECT_TRUE(store->contains(SettingsKeys::duplex));
}

TEST(SettingsStore, OneStorePerSettingsFile)
{
    std::shared_ptr<SettingsStore> first;
    {
        test::TempHome home;
        first = SettingsStore::standard();
        EXPECT_EQ(SettingsStore::standard(), first);
    }
    test::TempHome other;
    const auto second = SettingsStore::standard();
    EXPECT_NE(second, first);
    EXPECT_EQ(second->filePath(), other.file(".config/VantryCapture/VantryCapture.conf"));
}
