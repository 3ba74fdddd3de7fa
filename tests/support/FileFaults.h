#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace brisklet::test {

// A child that runs a test again from its start (a death test) inherits its parent's
// file size limit: it lifts that first, so only a limit it sets itself applies.
inline bool liftInheritedFileSizeLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

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

// While it lives, file permissions bind the calling thread as they bind an ordinary
// user, root included: the capabilities that override them leave the thread's
// effective set and come back at the end. For an ordinary user it changes nothing.
class PermissionsBind final {
public:
    PermissionsBind() {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct bound[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            bound[cap / 32].effective &= ~(1u << (cap % 32));
        dropped_ = ::syscall(SYS_capset, &header_, bound) == 0;
    }
    ~PermissionsBind() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
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
