#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    // Local time and month names are part of what the tests check: fix both.
    setenv("TZ", "Europe/Madrid", 1);
    tzset();
    setenv("LANG", "es_ES.UTF-8", 1);
    setenv("LC_ALL", "es_ES.UTF-8", 1);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
