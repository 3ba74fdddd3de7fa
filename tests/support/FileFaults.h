#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// Frees code that hangs opening one of `pipes`, so that a regression fails the test
// instead of blocking it: once a generous deadline has passed, the pipes are opened
// for writing and closed again until `finish()`, which lets a waiting reader through
// to an empty read.
class PipeRescue final {
public:
    explicit PipeRescue(QStringList pipes) : pipes_(std::move(pipes)), thread_([this] { watch(); }) {}
    ~PipeRescue() { finish(); }
    PipeRescue(const PipeRescue&) = delete;
    PipeRescue& operator=(const PipeRescue&) = delete;

    // Ends the watch; whether something had to be freed.
    bool finish() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return rescued_;
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        const auto done = [this] { return done_; };
        if (changed_.wait_for(lock, std::chrono::seconds(30), done))
            return;
        rescued_ = true;
        while (!done_) {
            for (const QString& pipe : pipes_) {
                const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            changed_.wait_for(lock, std::chrono::milliseconds(10), done);
        }
    }

    const QStringList pipes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    bool rescued_ = false;
    std::thread thread_;
};

} // namespace brisklet::test
