#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace brisklet::test {

// A web server on 127.0.0.1 that answers every request with a status line and then
// header lines without end, as fast as the client takes them. It runs on threads of
// its own, so a client that holds up the test's event loop cannot slow it down.
class HeaderFloodServer final {
public:
    HeaderFloodServer();
    ~HeaderFloodServer();
    HeaderFloodServer(const HeaderFloodServer&) = delete;
    HeaderFloodServer& operator=(const HeaderFloodServer&) = delete;

    // "http://127.0.0.1:<port>".
    QString base() const;
    // Connections the client has not closed yet: someone may still be reading them.
    int openConnections() const { return open_; }

private:
    void acceptLoop();
    void flood(int fd);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> open_{0};
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

} // namespace brisklet::test
