#include "shell/SnapshotHost.h"

#include "platform/linux/XdgInstalledApps.h"
#include "snapshots/SnapshotRun.h"

#include <QCoreApplication>

namespace brisklet {

SnapshotHost::SnapshotHost(const QString& folder)
    : installed_(std::make_unique<platform::XdgInstalledApps>()),
      run_(std::make_unique<SnapshotRun>(folder, SnapshotRun::Collaborators{installed_.get()})) {
    QObject::connect(run_.get(), &SnapshotRun::finished, QCoreApplication::instance(),
                     [](int status) { QCoreApplication::exit(status); });
}

SnapshotHost::~SnapshotHost() = default;

void SnapshotHost::start() {
    run_->start();
}

} // namespace brisklet
