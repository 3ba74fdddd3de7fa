#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace brisklet {

// Reads an HTTP/1.1 reply as its bytes arrive: the status line, the headers and a
// body framed by its length, by chunks or by the close of the connection. Whatever
// a server sends, it holds no more than the bounds it was given. A body is taken as
// it came: one in any content coding but identity is not read.
class HttpReplyReader final {
public:
    enum class State {
        head,     // status line and headers
        body,     // the body is coming
        done,     // the whole reply is in
        failed,   // not a reply this reads (see failure())
        tooLarge, // the body went past its bound and was dropped
    };

    HttpReplyReader(qsizetype maxHead, qsizetype maxBody);

    void feed(QByteArrayView bytes);
    // The server closed the connection.
    void closed();

    State state() const { return state_; }
    bool ended() const { return state_ != State::head && state_ != State::body; }
    // Set once a final status line was read.
    std::optional<int> status() const { return status_; }
    const QByteArray& body() const { return body_; }
    // What went wrong, in words for the log.
    const QString& failure() const { return failure_; }

private:
    enum class Framing { length, chunked, close };
    enum class Chunk { size, data, end, trailers };

    bool step();
    bool headLine(const QByteArray& line);
    // Reads the header held in `field_`, now that no folded line can follow.
    bool headerField();
    bool endOfHead();
    bool chunkStep();
    // The next line without its end, none until it is whole; a line longer than
    // `bound` fails the reply as `tooLong`. Lines of the `head` count against its bound.
    std::optional<QByteArray> takeLine(qsizetype bound, const QString& tooLong, bool head);
    // Moves `n` pending bytes to the body.
    void take(qsizetype n);
    // Takes what has come of the `left_` bytes still due; how many.
    qsizetype takeDue();
    void fail(const QString& why);

    qsizetype maxHead_;
    qsizetype maxBody_;
    qsizetype headBytes_ = 0; // status, header and trailer lines read so far
    bool anyBytes_ = false;
    State state_ = State::head;
    bool statusLine_ = true; // the next head line is a status line
    std::optional<int> status_;
    int pendingStatus_ = 0;
    Framing framing_ = Framing::close;
    QByteArray field_; // the header read last, whole once the next line starts
    std::optional<qint64> length_;
    QList<QByteArray> transferCodings_;
    QList<QByteArray> contentCodings_;
    Chunk chunk_ = Chunk::size;
    qint64 left_ = 0; // body or chunk bytes still to come
    QByteArray pending_;
    QByteArray body_;
    QString failure_;
};

} // namespace brisklet
