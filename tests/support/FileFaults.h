#pragma once

#include <QString>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace brisklet::test {

// While it lives, no file of this process may grow beyond `bytes`: writes past the
// limit fail as they do on a full disk (even for root, which permissions don't stop).
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

// A named pipe at `path`: opening it for reading blocks until a writer comes.
inline bool makePipe(const QString& path) {
    return ::mkfifo(path.toLocal8Bit().constData(), 0600) == 0;
}

} // namespace brisklet::test
