#include "base/Termination.h"
#include "shell/AppDelegate.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

    // Window control and the wake key speak X11; in a Wayland session run on XWayland.
    const char* snapshotDir = std::getenv("BRISKLET_SNAPSHOT_DIR");
    if (!std::getenv("QT_QPA_PLATFORM") && !(snapshotDir && *snapshotDir))
        setenv("QT_QPA_PLATFORM", "xcb", 0);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisklet"));
    QApplication::setOrganizationName(QStringLiteral("Brisklet"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKLET_VERSION));
    // Brisklet lives in the background: closing its last window never quits it.
    QApplication::setQuitOnLastWindowClosed(false);
    brisklet::Termination::install();

    brisklet::AppDelegate delegate;
    if (delegate.launch() == brisklet::AppDelegate::LaunchResult::deferred)
        return 0;
    return app.exec();
}
