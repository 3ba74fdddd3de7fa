#include "shell/AppRelaunch.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QProcess>

namespace brisklet::AppRelaunch {

QStringList command(const QString& executable) {
    // "$0" is the path given after the script, so no character of it is ever
    // read as shell syntax.
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("sleep %1; exec \"$0\"").arg(QLatin1String(delaySeconds)), executable};
}

bool start(const QString& executable) {
    QStringList arguments = command(executable);
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

void now() {
    if (!start(QCoreApplication::applicationFilePath()))
        qCCritical(lcApp) << "couldn't start a new Brisklet; quitting anyway";
    qCInfo(lcApp) << "relaunching to apply permission changes";
    QCoreApplication::quit();
}

} // namespace brisklet::AppRelaunch
