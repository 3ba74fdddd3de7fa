// Seeded mutations of real and awkward replies, fed to the plan reader: it must
// never crash, and whatever it accepts must be a plan the rest of the program can
// trust.
#include "ask/AskClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace brisklet;

namespace {

std::vector<QByteArray> corpus() {
    std::vector<QByteArray> out;
    const QDir dir(QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/ask/plan-corpus"));
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            out.push_back(file.readAll());
    }
    return out;
}

const std::vector<QByteArray> kTokens = {
    "{",       "}",        "[",        "]",         ",",         ":",         "\"",           "null",
    "true",    "false",    "0",        "-1",        "1e308",     "-0.5",      "12.999",       "1e-400",
    "NaN",     "\"type\"", "\"name\"", "\"level\"", "\"count\"", "\"scope\"", "\"value\"",    "\"openApp\"",
    "\"all\"", "```",      "```json",  "\\u202e",   "\\u0000",   "\\n",       "\xE2\x80\xAE", "\xFF",
    " ",       "\n",       "\"\"",
};

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}

    QByteArray mutate(QByteArray data, const std::vector<QByteArray>& pool) {
        const int steps = 1 + pick(4);
        for (int i = 0; i < steps; ++i)
            step(data, pool);
        return data;
    }

private:
    int pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    void step(QByteArray& data, const std::vector<QByteArray>& pool) {
        const int at = pick(int(data.size()) + 1);
        switch (pick(6)) {
        case 0: // flip a byte
            if (!data.isEmpty())
                data[at % data.size()] = char(data[at % data.size()] ^ (1 << pick(8)));
            break;
        case 1: // insert a token
            data.insert(at, kTokens[size_t(pick(int(kTokens.size())))]);
            break;
        case 2: // delete a span
            data.remove(at, 1 + pick(8));
            break;
        case 3: { // repeat a span
            const QByteArray span = data.mid(at, 1 + pick(40));
            data.insert(at, span);
            break;
        }
        case 4: { // splice in part of another reply
            const QByteArray& other = pool[size_t(pick(int(pool.size())))];
            data.insert(at, other.mid(pick(int(other.size())), 1 + pick(60)));
            break;
        }
        default: // a digit becomes a big number
            data.insert(at, QByteArray::number(std::uniform_int_distribution<long long>()(rng_)));
            break;
        }
    }

    std::mt19937 rng_;
};

bool visible(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        if (cat == QChar::Other_Control || cat == QChar::Other_Format)
            return false;
    }
    return true;
}

// What the reader may hand on: only the kinds a plan can hold, with sound payloads.
::testing::AssertionResult trustworthy(const Plan& plan) {
    using K = Action::Kind;
    if (plan.size() > 10)
        return ::testing::AssertionFailure() << "too long: " << plan.size();
    for (const Action& a : plan) {
        switch (a.kind) {
        case K::saveLayout:
        case K::closeOthers:
        case K::hideOthers:
        case K::nextDisplay:
        case K::volumeUp:
        case K::volumeDown:
        case K::doNotDisturb:
        case K::meetingMode:
            return ::testing::AssertionFailure() << "kind no plan may hold: " << int(a.kind);
        case K::openApp:
        case K::quitApp:
        case K::focusApp:
        case K::applyLayout:
        case K::runShortcut:
        case K::runSetup:
        case K::endSetup:
        case K::playMusic:
            if (a.name.isEmpty())
                return ::testing::AssertionFailure() << "empty name";
            break;
        default:
            break;
        }
        if (!visible(a.name) || (a.optionalName && (a.optionalName->isEmpty() || !visible(*a.optionalName))))
            return ::testing::AssertionFailure()
                   << "hidden characters in " << qPrintable(debugDescription(a));
        if (a.level < 0 || a.level > 100 || (a.count && (*a.count < 1 || *a.count > 12)))
            return ::testing::AssertionFailure()
                   << "number out of range in " << qPrintable(debugDescription(a));
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(AskPlanFuzzTest, mutatedRepliesNeverCrashTheReaderOrPassAsUnsoundPlans) {
    const std::vector<QByteArray> pool = corpus();
    ASSERT_GE(pool.size(), 10u) << "the corpus of replies is missing";
    Mutator mutator(20261207);
    // Bounded by count, and by time so a slow machine still finishes.
    const QDeadlineTimer deadline(60000);
    int accepted = 0;
    int runs = 0;
    for (; runs < 1000000 && !deadline.hasExpired(); ++runs) {
        const QByteArray input = mutator.mutate(pool[size_t(runs) % pool.size()], pool);
        const AskClient::ParsedPlan parsed = AskClient::parsePlan(QString::fromUtf8(input));
        if (parsed.error) {
            ASSERT_TRUE(parsed.plan.empty()) << input.constData();
            continue;
        }
        ++accepted;
        ASSERT_TRUE(trustworthy(parsed.plan)) << input.constData();
    }
    std::printf("%d replies, %d accepted\n", runs, accepted);
    // The mutations must still reach the field rules, not only the JSON reader.
    EXPECT_GT(accepted, runs / 50) << accepted << " of " << runs;
}

TEST(AskPlanFuzzTest, everyReplyOfTheCorpusIsReadTheSameWayTwice) {
    for (const QByteArray& reply : corpus()) {
        const AskClient::ParsedPlan a = AskClient::parsePlan(QString::fromUtf8(reply));
        const AskClient::ParsedPlan b = AskClient::parsePlan(QString::fromUtf8(reply));
        EXPECT_EQ(a.plan, b.plan);
        EXPECT_EQ(a.error, b.error);
        EXPECT_TRUE(trustworthy(a.plan)) << reply.constData();
    }
}
