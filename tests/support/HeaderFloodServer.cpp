#include "support/HeaderFloodServer.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisklet::test {

namespace {

// Waits up to a twentieth of a second for `events` on `fd`.
bool ready(int fd, short events) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, 50) > 0;
}

} // namespace

HeaderFloodServer::HeaderFloodServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener_, 16);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HeaderFloodServer::~HeaderFloodServer() {
    stop_ = true;
    acceptor_.join();
    std::lock_guard lock(mutex_);
    for (std::thread& worker : workers_)
        worker.join();
    ::close(listener_);
}

QString HeaderFloodServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

void HeaderFloodServer::acceptLoop() {
    while (!stop_) {
        if (!ready(listener_, POLLIN))
            continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        ++open_;
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd] { flood(fd); });
    }
}

void HeaderFloodServer::flood(int fd) {
    // The request is read up to the end of its headers; its body doesn't matter.
    QByteArray request;
    char buffer[4096];
    while (!stop_ && !request.contains("\r\n\r\n")) {
        if (!ready(fd, POLLIN))
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    const QByteArray line = "X-Filler: " + QByteArray(60, 'a') + "\r\n";
    const QByteArray lines = line.repeated(1000);
    QByteArray out = "HTTP/1.1 200 OK\r\n" + lines;
    qsizetype sent = 0;
    while (!stop_) {
        if (!ready(fd, POLLOUT))
            continue;
        const ssize_t n = ::send(fd, out.constData() + sent, size_t(out.size() - sent), MSG_NOSIGNAL);
        if (n < 0)
            break; // the client closed the connection
        sent += n;
        if (sent == out.size()) {
            out = lines;
            sent = 0;
        }
    }
    ::close(fd);
    --open_;
}

} // namespace brisklet::test
