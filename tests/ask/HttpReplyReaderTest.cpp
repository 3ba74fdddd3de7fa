#include "ask/HttpReplyReader.h"

#include <gtest/gtest.h>

using namespace brisklet;
using State = HttpReplyReader::State;

namespace {

struct Case {
    const char* what;
    QByteArray reply;
    State state;
    int status = 0; // 0: none read
    QByteArray body = {};
};

// Feeds `reply` in pieces of `step` bytes, then closes the connection.
HttpReplyReader read(const QByteArray& reply, qsizetype step) {
    HttpReplyReader reader(4096, 4096);
    for (qsizetype at = 0; at < reply.size(); at += step)
        reader.feed(QByteArrayView(reply).sliced(at, std::min(step, reply.size() - at)));
    reader.closed();
    return reader;
}

} // namespace

TEST(HttpReplyReaderTest, aReplyReadsTheSameWholeOrByteByByte) {
    const Case cases[] = {
        {"an interim answer with headers of its own",
         "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\nContent-Length: 9\r\n\r\n"
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
         State::done, 200, "ok"},
        {"trailers after the last chunk",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\nX-Sum: 1\r\nX-Note: a\r\n "
         "b\r\n\r\n",
         State::done, 200, "ok"},
        {"names in mixed case",
         "HTTP/1.1 200 OK\r\ncOnTeNt-LeNgTh: 4\r\nTRANSFER-encoding: Chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
         State::done, 200, "ok"},
        {"a body longer than its length", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokay", State::done,
         200, "ok"},
        {"one length said twice", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nok",
         State::done, 200, "ok"},
        {"two lengths that disagree", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 4\r\n\r\nokay",
         State::failed},
        {"a folded framing header",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding:\r\n  chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", State::done, 200,
         "ok"},
        {"a folded length", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\t2\r\n\r\nokay", State::done, 200, "ok"},
        {"a fold with no header before it", "HTTP/1.1 200 OK\r\n Content-Length: 2\r\n\r\nok", State::failed},
        {"a compressed body", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 2\r\n\r\nok",
         State::failed},
        {"a body named as it is",
         "HTTP/1.1 200 OK\r\nContent-Encoding: Identity\r\nContent-Length: 2\r\n\r\nok", State::done, 200,
         "ok"},
    };
    for (const Case& c : cases) {
        for (const qsizetype step : {c.reply.size(), qsizetype(1)}) {
            const HttpReplyReader reader = read(c.reply, step);
            const std::string fed = c.what + std::string(step == 1 ? ", byte by byte" : ", whole");
            EXPECT_EQ(reader.state(), c.state) << fed << ": " << qPrintable(reader.failure());
            EXPECT_EQ(reader.status().value_or(0), c.status) << fed;
            EXPECT_EQ(reader.body(), c.body) << fed;
        }
    }
}

TEST(HttpReplyReaderTest, aRefusedCodingIsNamedInAShortLine) {
    QByteArray codings = "br";
    while (codings.size() < 60000)
        codings += ", x-coding-" + QByteArray::number(codings.size());
    HttpReplyReader reader(64 * 1024, 4096);
    reader.feed("HTTP/1.1 200 OK\r\nContent-Encoding: " + codings + "\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(reader.state(), State::failed);
    EXPECT_LE(reader.failure().size(), 200) << reader.failure().left(300).toStdString() << "…";
    EXPECT_TRUE(reader.failure().contains("\"br, x-coding-2")) << reader.failure().left(300).toStdString();
    EXPECT_TRUE(reader.failure().contains("more left out")) << reader.failure().left(300).toStdString();
}

// The failure goes to the log: a server's escape sequences or bell must not reach a
// terminal that shows it.
TEST(HttpReplyReaderTest, aRefusedCodingIsQuotedWithoutItsControlCharacters) {
    HttpReplyReader reader(4096, 4096);
    reader.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: gz\x1b[2Jip\x07\x7f, x\x9b"
                "31m\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(reader.state(), State::failed);
    EXPECT_EQ(reader.failure(), "The reply's transfer coding \"gz[2jip, x31m\" is not supported")
        << reader.failure().toStdString();
}
