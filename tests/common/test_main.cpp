// Shared main of the test programs: one offscreen application (or one on the
// platform TRIVEX_TEST_PLATFORM names, "xcb" for an X server), and a home and
// settings of its own, so that no test reads or writes the user's settings and
// test programs that run side by side never share a settings file. The native
// settings format keeps its own path (the test-mode folder below HOME), which
// the INI path alone does not move.
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const QByteArray platform = qgetenv("TRIVEX_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8() + "/config");
    qputenv("XDG_CACHE_HOME", home.path().toUtf8() + "/cache");
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8()); // owner-only, as Qt wants it
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, home.path() + "/settings");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
