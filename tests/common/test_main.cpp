// Shared main of the test programs: one offscreen application, settings in a
// temporary folder so no test reads or writes the user's own settings.
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8() + "/config");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path() + "/settings");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
