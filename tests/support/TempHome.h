#pragma once

#include <QString>
#include <QTemporaryDir>

namespace brisklet::test {

// Fresh settings and data folders for one test: points $XDG_CONFIG_HOME and
// $XDG_DATA_HOME at a new temporary folder and makes the settings reopen there.
// Restores the previous folders when it goes away.
class TempHome final {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir_.path(); }
    QString dataHome() const { return dir_.path() + QStringLiteral("/data"); }
    QString configHome() const { return dir_.path() + QStringLiteral("/config"); }

private:
    QTemporaryDir dir_;
    QByteArray oldData_;
    QByteArray oldConfig_;
};

} // namespace brisklet::test
