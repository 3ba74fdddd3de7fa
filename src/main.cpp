#include "base/KeepLibrariesLoaded.h"
#include "base/Termination.h"
#include "shell/AppDelegate.h"
#include "snapshots/SnapshotEnvironment.h"
#include "ui/design/ViewWindow.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char* const kUsage = "Usage: brisklet [--autostart] [--help] [--version]\n"
                           "\n"
                           "Brisklet listens for a wake key or a double clap, hears one short phrase\n"
                           "and turns it into actions on the desktop.\n"
                           "\n"
                           "  --autostart  started at login: stay in the background, show no window\n"
                           "  --help       show this text and exit\n"
                           "  --version    show the version and exit\n";

} // namespace

int main(int argc, char** argv) {
    // Answer these without a display, before any Qt object exists.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Brisklet %s\n", BRISKLET_VERSION);
            return 0;
        }
    }

    // Snapshots render offscreen in a home of their own; the app itself controls
    // windows and the wake key through X11 (XWayland in a Wayland session).
    std::unique_ptr<QTemporaryDir> snapshotHome;
    if (brisklet::SnapshotEnvironment::folder())
        snapshotHome = brisklet::SnapshotEnvironment::prepareProcess();
    else if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 0);
    brisklet::AppDelegate::Options options;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--autostart") == 0)
            options.autostart = true;

    brisklet::ViewWindow::chooseRenderer();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisklet"));
    QApplication::setOrganizationName(QStringLiteral("Brisklet"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKLET_VERSION));
    // Ask's requests go through the desktop's proxy settings, as a browser's would.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // Brisklet lives in the background: closing its last window never quits it.
    QApplication::setQuitOnLastWindowClosed(false);
    brisklet::Termination::install();

    brisklet::AppDelegate delegate(nullptr, options);
    switch (delegate.launch()) {
    case brisklet::AppDelegate::LaunchResult::deferred:
        return 0;
    case brisklet::AppDelegate::LaunchResult::failed:
        return 1;
    case brisklet::AppDelegate::LaunchResult::running:
        break;
    }
    brisklet::Termination::enteringEventLoop();
    return app.exec();
}
