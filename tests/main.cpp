#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    // Local time and month names are part of what the tests check: fix both. Windows are real
    // widgets, drawn off screen.
    setenv("TZ", "Europe/Madrid", 1);
    tzset();
    setenv("LANG", "es_ES.UTF-8", 1);
    setenv("LC_ALL", "es_ES.UTF-8", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The web views run as root here, where Chromium's sandbox cannot.
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 0);
    // The browsers' policy folders of these tests live in a folder of their own, never in /etc.
    QTemporaryDir politicas;
    setenv("MARLEVANTA_POLICY_ROOT", politicas.path().toLocal8Bit().constData(), 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
