// Seeded mutations of real and awkward drafts, fed to the draft reader: it must
// never crash, and whatever it accepts must keep every rule of a draft.
#include "magic/MagicDraftParser.h"

#include <QDeadlineTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace brisklet;

namespace {

const std::vector<QByteArray> kCorpus = {
    R"({"name":"Writing","blurb":"A page.","items":[{"app":"LibreOffice Writer","placement":"leftWide"},{"url":"https://example.com","placement":"rightNarrow"}]})",
    R"(```json
{"name":"Code","items":[{"app":"editor","placement":"left"},{"app":"terminal","placement":"right"}]}
```)",
    R"({"name":"","blurb":"","items":[]})",
    R"({"name":"Focus","items":[{"app":"Firefox","url":"https://news.example.org/a?b=c","placement":null}]})",
    R"({"name":"Calls","blurb":"Zoom and notes","items":[{"app":"Zoom","placement":"center"},{"app":"notes","placement":"full"},{"app":"Slack"}]})",
    R"({"name":"Eight","items":[{"app":"a"},{"app":"b"},{"app":"c"},{"app":"d"},{"app":"e"},{"app":"f"},{"app":"g"},{"app":"h"}]})",
};

const std::vector<QByteArray> kTokens = {
    "{",
    "}",
    "[",
    "]",
    ",",
    ":",
    "\"",
    "null",
    "true",
    "0",
    "-1",
    "1e308",
    "\"name\"",
    "\"items\"",
    "\"app\"",
    "\"url\"",
    "\"placement\"",
    "\"left\"",
    "\"Left\"",
    "\"http://x.example\"",
    "\"https://\"",
    "\"https://a.b\"",
    "```",
    "```json",
    "\\u202e",
    "\\u0000",
    "\\n",
    "\xE2\x80\xAE",
    "\xFF",
    " ",
    "\"\"",
    "{\"app\":\"x\"}",
};

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}
    QByteArray mutate(QByteArray data) {
        const int steps = 1 + pick(4);
        for (int i = 0; i < steps; ++i) {
            const int at = pick(int(data.size()) + 1);
            switch (pick(5)) {
            case 0:
                if (!data.isEmpty())
                    data[at % data.size()] = char(data[at % data.size()] ^ (1 << pick(8)));
                break;
            case 1:
                data.insert(at, kTokens[size_t(pick(int(kTokens.size())))]);
                break;
            case 2:
                data.remove(at, 1 + pick(8));
                break;
            case 3:
                data.insert(at, data.mid(at, 1 + pick(40)));
                break;
            default: {
                const QByteArray& other = kCorpus[size_t(pick(int(kCorpus.size())))];
                data.insert(at, other.mid(pick(int(other.size())), 1 + pick(60)));
                break;
            }
            }
        }
        return data;
    }

private:
    int pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::mt19937 rng_;
};

bool visible(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        if (cat == QChar::Other_Control || cat == QChar::Other_Format)
            return false;
    }
    return text == text.trimmed();
}

::testing::AssertionResult sound(const ParsedMagicDraft& draft) {
    if (draft.name.isEmpty() || !visible(draft.name) || draft.name.size() > 80 || !visible(draft.blurb))
        return ::testing::AssertionFailure() << "bad name or blurb";
    if (draft.items.empty() || draft.items.size() > 8)
        return ::testing::AssertionFailure() << "item count " << draft.items.size();
    for (const auto& item : draft.items) {
        if (!item.app && !item.url)
            return ::testing::AssertionFailure() << "empty item";
        if (item.app && (item.app->isEmpty() || !visible(*item.app)))
            return ::testing::AssertionFailure() << "bad app";
        if (item.url) {
            const QUrl url(*item.url, QUrl::StrictMode);
            if (!url.isValid() || url.scheme() != "https" || url.host().isEmpty())
                return ::testing::AssertionFailure() << "unsafe url " << qPrintable(*item.url);
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(MagicDraftFuzzTest, mutatedDraftsNeverCrashTheReaderOrPassUnsound) {
    Mutator mutator(20261207);
    const QDeadlineTimer deadline(20000);
    int accepted = 0;
    int runs = 0;
    for (; runs < 200000 && !deadline.hasExpired(); ++runs) {
        const QByteArray input = mutator.mutate(kCorpus[size_t(runs) % kCorpus.size()]);
        auto parsed = MagicDraftParser::parse(QString::fromUtf8(input));
        if (auto* draft = std::get_if<ParsedMagicDraft>(&parsed)) {
            ++accepted;
            ASSERT_TRUE(sound(*draft)) << input.constData();
        }
    }
    std::printf("%d drafts, %d accepted\n", runs, accepted);
    EXPECT_GT(accepted, runs / 50) << "the mutations must reach the item rules";
}

TEST(MagicDraftFuzzTest, theCorpusReadsTheSameTwice) {
    for (const QByteArray& reply : kCorpus) {
        const auto a = MagicDraftParser::parse(QString::fromUtf8(reply));
        EXPECT_EQ(a, MagicDraftParser::parse(QString::fromUtf8(reply)));
    }
}
