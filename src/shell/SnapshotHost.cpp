#include "shell/SnapshotHost.h"

#include "platform/linux/XdgAppIcons.h"
#include "platform/linux/XdgInstalledApps.h"
#include "snapshots/SnapshotRun.h"
#include "ui/design/AppIcons.h"

#include <QCoreApplication>

namespace brisklet {

SnapshotHost::SnapshotHost(const QString& folder)
    : installed_(std::make_unique<platform::XdgInstalledApps>()),
      icons_(std::make_unique<platform::XdgAppIcons>(*installed_)),
      run_(std::make_unique<SnapshotRun>(folder, SnapshotRun::Collaborators{installed_.get()})) {
    QObject::connect(run_.get(), &SnapshotRun::finished, QCoreApplication::instance(),
                     [](int status) { QCoreApplication::exit(status); });
}

SnapshotHost::~SnapshotHost() {
    run_.reset();
    AppIcons::instance().setSource(nullptr);
}

void SnapshotHost::start() {
    AppIcons::instance().setSource(icons_.get());
    run_->start();
}

} // namespace brisklet
