#include "ask/HttpReplyReader.h"

#include "ask/ModelReply.h"

#include <algorithm>

namespace brisklet {

namespace {

// A chunk's size line is a few hex digits and perhaps an extension.
constexpr qsizetype maxChunkLine = 1024;

const QString kNotHttp = QStringLiteral("The reply was not HTTP");
const QString kHeadTooLarge = QStringLiteral("The reply's headers were too large");
const QString kBadHead = QStringLiteral("The reply's headers were not valid");
const QString kBadChunks = QStringLiteral("The reply's chunks were not valid");

bool allOf(const QByteArray& text, bool (*accepted)(char)) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), accepted);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The codings a Transfer-Encoding or Content-Encoding value names, in lower case;
// "identity", which changes nothing, left out.
QList<QByteArray> codings(const QByteArray& value) {
    QList<QByteArray> named;
    for (const QByteArray& coding : value.split(',')) {
        const QByteArray name = coding.trimmed().toLower();
        if (!name.isEmpty() && name != "identity")
            named += name;
    }
    return named;
}

// "HTTP/1.1 200 OK": the code, or none.
std::optional<int> statusCode(const QByteArray& line) {
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || !isDigit(line[7]) || line[8] != ' ')
        return std::nullopt;
    const QByteArray code = line.mid(9, 3);
    if (!allOf(code, isDigit) || (line.size() > 12 && line[12] != ' ') || code[0] == '0')
        return std::nullopt;
    return code.toInt();
}

// A list of codings quoted for a failure line, which goes to the log: a head may hold
// 64 KB of them, and the first few say enough; the server's control characters are
// left out, so no escape sequence of its own reaches a terminal showing the log.
QString shown(const QByteArray& list) {
    constexpr qsizetype kShown = 80;
    const QString text = ModelReply::visible(QString::fromLatin1(list.left(kShown)));
    if (list.size() <= kShown)
        return u'"' + text + u'"';
    return QStringLiteral("\"%1…\" (%2 bytes more left out)").arg(text).arg(list.size() - kShown);
}

} // namespace

HttpReplyReader::HttpReplyReader(qsizetype maxHead, qsizetype maxBody)
    : maxHead_(maxHead), maxBody_(maxBody) {}

void HttpReplyReader::feed(QByteArrayView bytes) {
    if (ended() || bytes.isEmpty())
        return;
    anyBytes_ = true;
    pending_.append(bytes);
    while (!ended() && step()) {
    }
}

void HttpReplyReader::closed() {
    if (ended())
        return;
    if (state_ == State::body && framing_ == Framing::close)
        state_ = State::done;
    else if (!anyBytes_)
        fail(QStringLiteral("Connection closed before any answer"));
    else if (state_ == State::head)
        fail(QStringLiteral("Connection closed before the reply's headers ended"));
    else
        fail(QStringLiteral("Connection closed in the middle of the answer"));
}

bool HttpReplyReader::step() {
    if (state_ == State::head) {
        // Known by the fifth byte: anything but "HTTP/" is no reply at all.
        static const QByteArray http = "HTTP/";
        if (statusLine_ && !http.startsWith(pending_.left(http.size()))) {
            fail(kNotHttp);
            return false;
        }
        const std::optional<QByteArray> line = takeLine(maxHead_ - headBytes_, kHeadTooLarge, true);
        return line && headLine(*line);
    }
    switch (framing_) {
    case Framing::chunked:
        return chunkStep();
    case Framing::length:
        takeDue();
        if (left_ == 0 && state_ == State::body)
            state_ = State::done;
        return false;
    case Framing::close:
        take(pending_.size());
        return false;
    }
    return false;
}

bool HttpReplyReader::headLine(const QByteArray& line) {
    if (statusLine_) {
        const std::optional<int> code = statusCode(line);
        if (!code) {
            fail(kNotHttp);
            return false;
        }
        pendingStatus_ = *code;
        statusLine_ = false;
        field_.clear();
        length_.reset();
        transferCodings_.clear();
        contentCodings_.clear();
        return true;
    }
    // A folded line goes on with the header before it: read apart, a folded
    // "Transfer-Encoding: chunked" would frame the body wrong.
    if (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t')) {
        if (field_.isEmpty()) {
            fail(kBadHead);
            return false;
        }
        field_ += ' ' + line.trimmed();
        return true;
    }
    if (!field_.isEmpty() && !headerField())
        return false;
    field_ = line;
    return !line.isEmpty() || endOfHead();
}

bool HttpReplyReader::headerField() {
    const qsizetype colon = field_.indexOf(':');
    if (colon <= 0) {
        fail(kBadHead);
        return false;
    }
    const QByteArray name = field_.left(colon).trimmed().toLower();
    const QByteArray value = field_.mid(colon + 1).trimmed();
    if (name == "content-length") {
        if (!allOf(value, isDigit) || value.size() > 15 || (length_ && *length_ != value.toLongLong())) {
            fail(kBadHead);
            return false;
        }
        length_ = value.toLongLong();
    } else if (name == "transfer-encoding") {
        transferCodings_ += codings(value);
    } else if (name == "content-encoding") {
        contentCodings_ += codings(value);
    }
    return true;
}

bool HttpReplyReader::endOfHead() {
    // An interim answer ("100 Continue"): the final one follows.
    if (pendingStatus_ < 200) {
        statusLine_ = true;
        return true;
    }
    // Chunks are the one coding this undoes; any other would leave the body unreadable.
    const bool chunked = transferCodings_ == QList<QByteArray>{"chunked"};
    if (!contentCodings_.isEmpty() || (!chunked && !transferCodings_.isEmpty())) {
        const bool content = !contentCodings_.isEmpty();
        fail(QStringLiteral("The reply's %1 coding %2 is not supported")
                 .arg(content ? QStringLiteral("content") : QStringLiteral("transfer"),
                      shown((content ? contentCodings_ : transferCodings_).join(", "))));
        return false;
    }
    status_ = pendingStatus_;
    if (*status_ == 204 || *status_ == 304) {
        state_ = State::done;
        return false;
    }
    state_ = State::body;
    if (chunked) {
        framing_ = Framing::chunked;
    } else if (length_) {
        framing_ = Framing::length;
        left_ = *length_;
        if (left_ > maxBody_)
            state_ = State::tooLarge;
        else if (left_ == 0)
            state_ = State::done;
    } else {
        framing_ = Framing::close;
    }
    return state_ == State::body;
}

bool HttpReplyReader::chunkStep() {
    switch (chunk_) {
    case Chunk::size: {
        const std::optional<QByteArray> line = takeLine(maxChunkLine, kBadChunks, false);
        if (!line)
            return false;
        const qsizetype semicolon = line->indexOf(';');
        const QByteArray digits = (semicolon < 0 ? *line : line->left(semicolon)).trimmed();
        if (!allOf(digits, isHexDigit) || digits.size() > 15) {
            fail(kBadChunks);
            return false;
        }
        left_ = digits.toLongLong(nullptr, 16);
        chunk_ = left_ == 0 ? Chunk::trailers : Chunk::data;
        return true;
    }
    case Chunk::data:
        if (takeDue() == 0)
            return false;
        if (left_ == 0)
            chunk_ = Chunk::end;
        return state_ == State::body;
    case Chunk::end: {
        const std::optional<QByteArray> line = takeLine(2, kBadChunks, false);
        if (!line)
            return false;
        if (!line->isEmpty()) {
            fail(kBadChunks);
            return false;
        }
        chunk_ = Chunk::size;
        return true;
    }
    case Chunk::trailers: {
        const std::optional<QByteArray> line = takeLine(maxHead_ - headBytes_, kHeadTooLarge, true);
        if (!line)
            return false;
        if (line->isEmpty())
            state_ = State::done;
        return state_ == State::body;
    }
    }
    return false;
}

std::optional<QByteArray> HttpReplyReader::takeLine(qsizetype bound, const QString& tooLong, bool head) {
    const qsizetype end = pending_.indexOf('\n');
    if ((end < 0 && pending_.size() > bound) || end + 1 > bound) {
        fail(tooLong);
        return std::nullopt;
    }
    if (end < 0)
        return std::nullopt;
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    if (head)
        headBytes_ += end + 1;
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

qsizetype HttpReplyReader::takeDue() {
    const qsizetype n = qsizetype(std::min<qint64>(left_, pending_.size()));
    take(n);
    left_ -= n;
    return n;
}

void HttpReplyReader::take(qsizetype n) {
    body_.append(pending_.constData(), n);
    pending_.remove(0, n);
    if (body_.size() > maxBody_) {
        state_ = State::tooLarge;
        body_.clear();
        pending_.clear();
    }
}

void HttpReplyReader::fail(const QString& why) {
    state_ = State::failed;
    failure_ = why;
    pending_.clear();
    body_.clear();
}

} // namespace brisklet
