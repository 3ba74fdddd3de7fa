#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>

namespace brisklet::test {

// Sets (or, with none, unsets) one environment variable for the life of the value.
class ScopedEnv final {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

// A private XDG_RUNTIME_DIR, where the single-instance socket lives, for the life
// of the value.
struct ScopedRuntimeDir {
    QTemporaryDir dir;
    ScopedEnv env{"XDG_RUNTIME_DIR", dir.path().toUtf8()};
};

// A death test's child runs the test again from its start and leaves by _Exit, its
// temporary folders (its fixture's, Qt's) behind: while this lives, temporary
// folders go inside one that the parent removes.
struct ChildTempFolder {
    QTemporaryDir dir;
    ScopedEnv env{"TMPDIR", dir.path().toUtf8()};
};

} // namespace brisklet::test
