#include "commands/Action.h"
#include "commands/Levenshtein.h"

#include <QList>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace brisklet;

TEST(Action, ProgressLinesAndTokens) {
    struct Row {
        Action action;
        const char* hud;
        const char* token;
    };
    const Row rows[] = {
        {Action::openApp("Firefox"), "Opening Firefox", "open Firefox"},
        {Action::quitApp("Mail"), "Quitting Mail", "quit Mail"},
        {Action::focusApp("Files"), "Switching to Files", "focus Files"},
        {Action::sortActive(std::nullopt), "Sorting windows", "sort"},
        {Action::sortActive(3), "Sorting 3 windows", "sort"},
        {Action::moveWindow(WindowPosition::left), "Left half", "left"},
        {Action::moveWindow(WindowPosition::right), "Right half", "right"},
        {Action::moveWindow(WindowPosition::maximize), "Maximizing", "maximize"},
        {Action::moveWindow(WindowPosition::center), "Centering", "center"},
        {Action::saveLayout("coding"), "Saving layout \u201Ccoding\u201D", "save coding"},
        {Action::applyLayout("coding"), "Layout \u201Ccoding\u201D", "layout coding"},
        {Action::setVolume(40), "Volume 40%", "vol 40"},
        {Action::mute(true), "Muting", "mute"},
        {Action::mute(false), "Unmuting", "unmute"},
        {Action::runShortcut("Brisklet DND"), "Shortcut \u201CBrisklet DND\u201D", "shortcut Brisklet DND"},
        {Action::mediaControl(MediaOp::play), "Playing", "play"},
        {Action::mediaControl(MediaOp::pause), "Pausing", "pause"},
        {Action::mediaControl(MediaOp::playPause), "Play / pause", "playPause"},
        {Action::mediaControl(MediaOp::next), "Next track", "next"},
        {Action::mediaControl(MediaOp::previous), "Previous track", "previous"},
        {Action::playMusic("jazz", std::nullopt), "Playing jazz", "play music"},
        {Action::playMusic("jazz", QString("Spotify")), "Playing jazz on Spotify", "play music"},
        {Action::runSetup("Deep Work"), "Setting up \u201CDeep Work\u201D", "setup Deep Work"},
        {Action::endSetup("Deep Work"), "Ending \u201CDeep Work\u201D", "end Deep Work"},
        {Action::captureSetup(std::nullopt), "Capturing setup", "capture setup"},
        {Action::captureSetup(QString("gym")), "Capturing \u201Cgym\u201D", "capture gym"},
        {Action::closeOthers(QUuid::createUuid()), "Closing the rest", "close rest"},
        {Action::sortAll(), "Sorting every display", "sort all"},
        {Action::hideOthers(), "Hiding others", "hide others"},
        {Action::nextDisplay(), "Next display", "next display"},
        {Action::volumeUp(), "Volume up", "vol +"},
        {Action::volumeDown(), "Volume down", "vol -"},
        {Action::screenshot(), "Screenshot", "screenshot"},
        {Action::lockScreen(), "Locking screen", "lock"},
        {Action::doNotDisturb(), "Do Not Disturb", "dnd"},
        {Action::meetingMode(), "Meeting mode", "meeting"},
        {Action::undoSetup(), "Putting things back", "undo"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.action.hudDescription(), QString::fromUtf8(r.hud));
        EXPECT_EQ(r.action.planToken(), QString::fromUtf8(r.token));
    }
}

TEST(Action, PlanSummaryAndEquality) {
    EXPECT_EQ(planSummary({}), "");
    EXPECT_EQ(planSummary({Action::setVolume(40)}), "Volume 40%");
    EXPECT_EQ(planSummary({Action::openApp("Firefox"), Action::moveWindow(WindowPosition::left)}),
              "open Firefox \u2192 left");
    EXPECT_NE(Action::closeOthers(QUuid::createUuid()), Action::closeOthers(QUuid::createUuid()));
    EXPECT_EQ(Action::sortActive(std::nullopt), Action::sortActive(std::nullopt));
    EXPECT_NE(Action::sortActive(std::nullopt), Action::sortActive(3));
    EXPECT_NE(Action::playMusic("a", std::nullopt), Action::playMusic("a", QString("")));
    EXPECT_NE(Action::openApp("x"), Action::focusApp("x"));
}

TEST(Action, RawValuesAreExact) {
    EXPECT_EQ(windowPositionFromRaw("left"), WindowPosition::left);
    EXPECT_EQ(windowPositionFromRaw("center"), WindowPosition::center);
    EXPECT_FALSE(windowPositionFromRaw("Left"));
    EXPECT_EQ(mediaOpFromRaw("playPause"), MediaOp::playPause);
    EXPECT_FALSE(mediaOpFromRaw("playpause"));
    EXPECT_FALSE(mediaOpFromRaw("play pause"));
    EXPECT_FALSE(mediaOpFromRaw(""));
}

TEST(Levenshtein, DistanceAndSimilarity) {
    using namespace Levenshtein;
    EXPECT_EQ(distance(u"", u""), 0);
    EXPECT_DOUBLE_EQ(similarity(u"", u""), 1.0);
    EXPECT_EQ(distance(u"", u"abc"), 3);
    EXPECT_EQ(distance(u"abc", u""), 3);
    EXPECT_EQ(distance(u"flaw", u"lawn"), 2);
    EXPECT_EQ(distance(u"ab", u"ba"), 2);
    EXPECT_DOUBLE_EQ(similarity(u"spotify", u"spotifi"), 1.0 - 1.0 / 7.0);
    // Scalars, not UTF-16 units: one emoji against another is one substitution.
    EXPECT_EQ(distance(u"a\U0001F600", u"a\U0001F601"), 1);
    EXPECT_EQ(distance(u"caf\u00E9", u"cafe"), 1);
    // Characters for the length: "e" + combining acute is one character.
    EXPECT_EQ(characterCount(u"cafe\u0301"), 4);
    EXPECT_EQ(characterCount(u"a\U0001F600"), 2);
}

TEST(Levenshtein, BoundedDistanceAgreesUpToItsLimit) {
    const char16_t* words[] = {u"",           u"a",     u"spotify", u"spotifi",  u"visual studio code",
                               u"vis cod",    u"slack", u"slacks",  u"terminal", u"firefox esr",
                               u"\U0001F600x"};
    for (auto a : words) {
        for (auto b : words) {
            const int d = Levenshtein::distance(a, b);
            for (int limit = 0; limit < 20; ++limit) {
                const int bounded = Levenshtein::boundedDistance(a, b, limit);
                if (d <= limit)
                    EXPECT_EQ(bounded, d);
                else
                    EXPECT_GT(bounded, limit);
            }
        }
    }
}

TEST(Levenshtein, BoundedDistanceAgreesOnRandomTexts) {
    std::mt19937 rng(11);
    const QString alphabet = QStringLiteral("abcAB a!\u00E9");
    auto randomText = [&] {
        QString t;
        const int n = int(rng() % 12);
        for (int i = 0; i < n; ++i)
            t += alphabet[int(rng() % alphabet.size())];
        return t;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString a = randomText(), b = randomText();
        const int d = Levenshtein::distance(a, b);
        const int limit = int(rng() % 8);
        const int bounded = Levenshtein::boundedDistance(a, b, limit);
        if (d <= limit)
            ASSERT_EQ(bounded, d) << a.toStdString() << " / " << b.toStdString();
        else
            ASSERT_GT(bounded, limit) << a.toStdString() << " / " << b.toStdString();
    }
}

// The plain table of cells, written out here so the fast paths have something
// independent to agree with.
int tableDistance(const QList<uint>& a, const QList<uint>& b) {
    std::vector<int> prev(size_t(b.size()) + 1), cur(prev.size());
    for (size_t j = 0; j < prev.size(); ++j)
        prev[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        cur[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j)
            cur[size_t(j)] = std::min({prev[size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1),
                                       cur[size_t(j - 1)] + 1, prev[size_t(j)] + 1});
        std::swap(prev, cur);
    }
    return prev.back();
}

TEST(Levenshtein, DistanceAgreesWithTheTableOnLongAndMixedTexts) {
    std::mt19937 rng(23);
    // Letters beyond ASCII and beyond Latin-1, blanks, and a text past 64 units.
    const QString alphabet = QStringLiteral("abcdeab \u00E9\u00DF\u0436\u4E2D");
    auto randomText = [&](int most) {
        QString t;
        const int n = int(rng() % unsigned(most));
        for (int i = 0; i < n; ++i)
            t += alphabet[int(rng() % alphabet.size())];
        return t;
    };
    for (int round = 0; round < 4000; ++round) {
        const int most = round % 10 == 0 ? 90 : 30;
        const QString a = randomText(most), b = randomText(most);
        const int expected = tableDistance(a.toUcs4(), b.toUcs4());
        ASSERT_EQ(Levenshtein::distance(a, b), expected) << a.toStdString() << " / " << b.toStdString();
        const int limit = int(rng() % 12);
        const int bounded = Levenshtein::boundedDistance(a, b, limit);
        if (expected <= limit)
            ASSERT_EQ(bounded, expected) << a.toStdString() << " / " << b.toStdString();
        else
            ASSERT_GT(bounded, limit) << a.toStdString() << " / " << b.toStdString();
    }
}
