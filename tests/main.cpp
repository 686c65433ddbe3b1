#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>

#include "ui/u_frmAyuda.h"

// Debian's Qt WebEngine frees some of Chromium's objects with a sized delete of another type,
// which AddressSanitizer reports in every run of a web view; that one check stays off.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
// It also keeps the objects of its default profile to the end of the process, and fontconfig
// keeps its own caches.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libfontconfig.so\n";
}

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
    // Nor the browser profiles, caches and run locks of the user who runs them.
    QTemporaryDir casa;
    setenv("HOME", casa.path().toLocal8Bit().constData(), 1);
    unsetenv("XDG_CACHE_HOME");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_RUNTIME_DIR");
    marlevanta::PrepararMotorAyuda();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
