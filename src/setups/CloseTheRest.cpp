#include "setups/CloseTheRest.h"

#include "actions/BrowserScripting.h"

namespace brisklet::CloseTheRest {

namespace {

// The desktop session's own programs and file managers: never asked to quit.
const QSet<QString>& sessionApps() {
    static const QSet<QString> ids{
        QStringLiteral("org.gnome.Shell"),
        QStringLiteral("gnome-shell"),
        QStringLiteral("plasmashell"),
        QStringLiteral("org.kde.plasmashell"),
        QStringLiteral("xfdesktop"),
        QStringLiteral("xfce4-panel"),
        QStringLiteral("lxpanel"),
        QStringLiteral("mate-panel"),
        QStringLiteral("cinnamon"),
        QStringLiteral("org.gnome.Nautilus"),
        QStringLiteral("nautilus"),
        QStringLiteral("org.kde.dolphin"),
        QStringLiteral("thunar"),
        QStringLiteral("Thunar"),
        QStringLiteral("pcmanfm"),
        QStringLiteral("nemo"),
        QStringLiteral("caja"),
        QStringLiteral("openbox"),
    };
    return ids;
}

} // namespace

bool wouldAsk(const platform::RunningApp& app, const Spared& spared) {
    const QString& id = app.id;
    return app.regular && app.pid != spared.ownPid && !id.isEmpty() && !spared.keep.contains(id) &&
           !sessionApps().contains(id) && id != spared.fileManager && !BrowserScripting::isKnownBrowser(id) &&
           !spared.webHandlers.contains(id);
}

QStringList asked(const std::vector<platform::RunningApp>& running, const Spared& spared) {
    QStringList ids;
    for (const auto& app : running)
        if (!ids.contains(app.id) && wouldAsk(app, spared))
            ids << app.id;
    return ids;
}

} // namespace brisklet::CloseTheRest
