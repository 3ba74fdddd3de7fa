#pragma once

#include <QString>
#include <memory>

namespace brisklet {

namespace platform {
class XdgInstalledApps;
}
class SnapshotRun;

// The snapshot mode in place of the app: the installed applications read from the
// desktop entries, nothing else of the desktop; the application ends with the
// run's status when the pictures are written.
class SnapshotHost final {
public:
    explicit SnapshotHost(const QString& folder);
    ~SnapshotHost();

    void start();

private:
    std::unique_ptr<platform::XdgInstalledApps> installed_;
    std::unique_ptr<SnapshotRun> run_;
};

} // namespace brisklet
