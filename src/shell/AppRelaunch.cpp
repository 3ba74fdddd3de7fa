#include "shell/AppRelaunch.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QProcess>

namespace brisklet::AppRelaunch {

QStringList command(const QString& executable, qint64 pidToAwait, const QString& shell) {
    // "$0" is the path and "$1" the pid given after the script, so no character
    // of either is ever read as shell syntax. Waiting for the old instance to end
    // keeps the single-instance rule from sending the new one away.
    const QString script =
        QStringLiteral("sleep %1; i=0; while kill -0 \"$1\" 2>/dev/null && [ $i -lt %2 ]; do sleep 0.1; "
                       "i=$((i+1)); done; exec \"$0\"")
            .arg(QLatin1String(delaySeconds))
            .arg(waitTenths);
    return {shell, QStringLiteral("-c"), script, executable, QString::number(pidToAwait)};
}

bool start(const QString& executable, qint64 pidToAwait, const QString& shell) {
    QStringList arguments = command(executable, pidToAwait, shell);
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

bool now(const QString& shell) {
    if (!start(QCoreApplication::applicationFilePath(), QCoreApplication::applicationPid(), shell)) {
        qCCritical(lcApp) << "couldn't start a new Brisklet; staying";
        return false;
    }
    qCInfo(lcApp) << "relaunching to apply permission changes";
    QCoreApplication::quit();
    return true;
}

} // namespace brisklet::AppRelaunch
