// The test programs' entry: a Qt application object (a GUI one for ui and x11
// tests) and settings and data folders of their own, so no test ever touches the
// user's files.
#include "base/KeepLibrariesLoaded.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef BRISKLET_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const QByteArray root = home.path().toUtf8();
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
#ifdef BRISKLET_TEST_GUI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("FAILED: no display — the test desktop is not running (use scripts/test)\n", stderr);
        return 1;
    }
#endif
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
