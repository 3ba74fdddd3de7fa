// The snapshot mode as a user starts it: the brisklet program with
// BRISKLET_SNAPSHOT_DIR in a bare environment (no display, no session bus, a
// temporary home). Every shot of the catalogue lands as "<name>.png" at its size,
// on its backdrop; dark twins are darker; the summary counts the files really
// written; a rerun gives the same pictures and fixtures; a folder that can't be
// made fails every shot and the exit status says so.
#include "snapshots/SnapshotCatalogue.h"

#include "SnapshotProgram.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::SnapshotCatalogue;
using namespace brisklet::test;

namespace {

class SnapshotRunUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        home = new QTemporaryDir();
        folder = home->path() + QStringLiteral("/shots/here");
        first = new SnapshotProgram(run(folder));
    }
    static void TearDownTestSuite() {
        delete first;
        delete home;
    }

    static SnapshotProgram run(const QString& dir, const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = SnapshotProgram::environment(home->path(), dir);
        for (const QString& key : extra.keys())
            env.insert(key, extra.value(key));
        return SnapshotProgram::run(env);
    }

    static QImage picture(const QString& name) { return QImage(folder + '/' + name + ".png"); }
    static QStringList names() {
        QStringList out;
        for (const Shot& shot : shots())
            out << shot.name;
        return out;
    }
    static QStringList setupNames(const QString& file) {
        QFile f(folder + "/fixtures/" + file);
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("<missing>")};
        QStringList out;
        for (const auto& value : QJsonDocument::fromJson(f.readAll()).array())
            out << value.toObject().value("name").toString();
        return out;
    }
    static double meanLuminance(const QImage& image) {
        double sum = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                sum += qGray(image.pixel(x, y));
        return sum / ((image.width() + 1) / 2 * ((image.height() + 1) / 2));
    }
    static bool near(QRgb pixel, const QColor& colour, int slack = 2) {
        return std::abs(qRed(pixel) - colour.red()) <= slack &&
               std::abs(qGreen(pixel) - colour.green()) <= slack &&
               std::abs(qBlue(pixel) - colour.blue()) <= slack && qAlpha(pixel) == 255;
    }

    static int pixelsNear(const QImage& image, const QColor& colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += near(image.pixel(x, y), colour, 6) ? 1 : 0;
        return count;
    }

    static inline QTemporaryDir* home = nullptr;
    static inline QString folder;
    static inline SnapshotProgram* first = nullptr;
};

const QColor lightCanvas(247, 244, 239);
const QColor darkCanvas(23, 20, 18);

} // namespace

TEST_F(SnapshotRunUiTest, aNewFolderGetsEveryShotAndTheSummaryCountsThem) {
    EXPECT_EQ(first->status, 0);
    EXPECT_EQ(first->out, QStringLiteral("SNAPSHOTS WRITTEN: %1 -> %2\n").arg(shots().size()).arg(folder));
    EXPECT_TRUE(first->errors.isEmpty()) << first->errors.join('\n').toStdString();

    QStringList expected;
    for (const QString& name : names())
        expected << name + ".png";
    expected << "fixtures";
    expected.sort();
    QStringList found = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(found, expected);
    for (const char* name :
         {"home-1-home-warm-dark", "home-2-setups-empty", "home-2-setups-one", "home-2-setups-many",
          "home-2-setups-many-dark", "home-5-settings", "home-5-settings-dark", "resize-2-setups-wide",
          "resize-3-setups-narrow", "resize-4-settings-wide", "hud-8-confirm"})
        EXPECT_TRUE(names().contains(QLatin1String(name))) << name;
}

TEST_F(SnapshotRunUiTest, fixturesHoldTheDemoSetupsAndNothingLandsInTheUsersFolders) {
    EXPECT_EQ(setupNames("one.json"), QStringList{"deep work"});
    EXPECT_EQ(setupNames("many.json"), (QStringList{"deep work", "writing", "monday review"}));
    EXPECT_FALSE(QFile::exists(folder + "/fixtures/empty.json")) << "nothing was stored in it";
    for (const char* sub : {"/xdg_config_home", "/xdg_data_home"}) {
        const QDir dir(home->path() + QLatin1String(sub));
        EXPECT_TRUE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) << sub;
    }
}

TEST_F(SnapshotRunUiTest, everyPictureHasItsShotsSizeAndBackdrop) {
    for (const Shot& shot : shots()) {
        SCOPED_TRACE(shot.name.toStdString());
        const QImage image = picture(shot.name);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), shot.size);
        if (shot.backdrop == Backdrop::clear) {
            EXPECT_TRUE(image.hasAlphaChannel()) << "a clear window keeps its transparency";
        }
        const QRgb topRight = image.pixel(image.width() - 1, 0);
        // The onboarding's window shows its own canvas over the plain window colour.
        if ((shot.backdrop == Backdrop::cream && !std::holds_alternative<AddCommandShot>(shot.view)) ||
            std::holds_alternative<OnboardingShot>(shot.view)) {
            EXPECT_TRUE(near(topRight, shot.dark ? darkCanvas : lightCanvas))
                << QColor(topRight).name().toStdString();
        }
    }
    // The clear windows show their gradients, not a canvas behind them.
    EXPECT_TRUE(near(picture("hud-3-heard").pixel(0, 0), QColor(33, 43, 66), 3));
    EXPECT_TRUE(near(picture("nudge").pixel(0, 0), QColor(217, 212, 204), 3));
    // The home window's sidebar sits at the top-left, apart from the pane's canvas.
    for (const char* name :
         {"home-1-home-warm", "home-2-setups-many", "home-5-settings", "resize-3-setups-narrow"})
        EXPECT_FALSE(near(picture(name).pixel(20, 300), lightCanvas, 0)) << name;
}

// The cards draw the fixture apps' own icons (Notes is a yellow square), not the
// placeholder every app gets when no icon is found.
TEST_F(SnapshotRunUiTest, setupCardsShowTheInstalledAppsIcons) {
    const QColor notesYellow(246, 208, 77);
    EXPECT_GT(pixelsNear(picture("home-2-setups-one"), notesYellow), 100);
    EXPECT_GT(pixelsNear(picture("home-2-setups-many"), notesYellow), 100);
    // Calendar's red header belongs to "monday review", in the store of three only.
    const QColor calendarRed(224, 27, 36);
    EXPECT_GT(pixelsNear(picture("home-2-setups-many"), calendarRed), 20);
    EXPECT_EQ(pixelsNear(picture("home-2-setups-one"), calendarRed), 0);
}

// The demo desktop has a default browser: the ideas that open pages are offered
// (Deep Work: the text editor beside a page, with the browser's icon), and the
// builder's staged answers draw their cards or their failure.
TEST_F(SnapshotRunUiTest, theEmptySetupsShotOffersTheBrowserIdeasAndTheBuilderShotsTheirAnswers) {
    const QColor firefoxPurple(0x4a, 0x2a, 0x7a), editorBlue(0x35, 0x84, 0xe4);
    const QImage empty = picture("home-2-setups-empty");
    ASSERT_FALSE(empty.isNull());
    EXPECT_GT(pixelsNear(empty, firefoxPurple), 100) << "the ideas that open a page";
    EXPECT_GT(pixelsNear(empty, editorBlue), 100);

    const QImage built = picture("home-1c-magic-built");
    const QImage unresolved = picture("home-1c-magic-unresolved");
    const QImage failed = picture("home-1c-magic-failed");
    EXPECT_GT(pixelsNear(built, editorBlue), 100) << "the built card's icons and miniature";
    EXPECT_GT(pixelsNear(built, firefoxPurple), 100) << "the page's row shows its browser";
    EXPECT_GT(pixelsNear(unresolved, editorBlue), 100);
    EXPECT_EQ(pixelsNear(failed, editorBlue), 0) << "a failure draws no card";
    EXPECT_NE(built, unresolved);
    EXPECT_NE(failed, picture("home-1b-magic-empty"));
}

// As in the app, a proposal's buttons end in "Tune first…", after "Save".
TEST_F(SnapshotRunUiTest, theProposalCardsOfferTuningFirst) {
    for (const char* name : {"home-1b-magic", "home-1b-magic-dark"}) {
        SCOPED_TRACE(name);
        const QImage image = picture(name);
        ASSERT_FALSE(image.isNull());
        const QRgb surface = image.pixel(880, 614); // the card, right of its buttons
        const QRect besideSave(445, 602, 110, 24);
        int drawn = 0;
        for (int y = besideSave.top(); y <= besideSave.bottom(); ++y)
            for (int x = besideSave.left(); x <= besideSave.right(); ++x)
                drawn += std::abs(qGray(image.pixel(x, y)) - qGray(surface)) > 60;
        EXPECT_GT(drawn, 40) << "a label beside Save";
    }
}

TEST_F(SnapshotRunUiTest, darkTwinsAreDarkerAndStagedStatesDiffer) {
    int twins = 0;
    for (const QString& name : names()) {
        if (!name.endsWith("-dark"))
            continue;
        SCOPED_TRACE(name.toStdString());
        const QImage dark = picture(name);
        const QImage light = picture(name.chopped(5));
        ASSERT_FALSE(dark.isNull());
        ASSERT_FALSE(light.isNull());
        EXPECT_NE(dark, light);
        EXPECT_LT(meanLuminance(dark), meanLuminance(light));
        ++twins;
    }
    EXPECT_EQ(twins, 8);
    EXPECT_NE(picture("home-1-home-cold"), picture("home-1-home-warm"));
    // Each store draws its own Setups pane: ideas, one card, three cards.
    EXPECT_NE(picture("home-2-setups-empty"), picture("home-2-setups-one"));
    EXPECT_NE(picture("home-2-setups-one"), picture("home-2-setups-many"));
    EXPECT_NE(picture("home-2-setups-empty"), picture("home-2-setups-many"));
    EXPECT_NE(picture("home-1b-magic"), picture("home-1b-magic-empty"));
    EXPECT_NE(picture("onboarding-2-firstcommand"), picture("onboarding-2-success"));
    EXPECT_NE(picture("onboarding-3-magic"), picture("onboarding-3-magic-empty"));
    EXPECT_NE(picture("editor-new"), picture("editor-edit"));
    EXPECT_NE(picture("capture-preview"), picture("capture-preview-empty"));
    EXPECT_NE(picture("capture-preview"), picture("capture-preview-overlap"));
    EXPECT_NE(picture("capture-preview-empty"), picture("capture-preview-overlap"));
    EXPECT_NE(picture("hud-1-listening-empty"), picture("hud-1b-listening-quiet"));
    QSet<QByteArray> huds;
    for (const QString& name : names())
        if (name.startsWith("hud-"))
            huds.insert(QByteArray(reinterpret_cast<const char*>(picture(name).constBits()),
                                   picture(name).sizeInBytes()));
    EXPECT_EQ(huds.size(), 9) << "every state draws differently";
}

TEST_F(SnapshotRunUiTest, aRerunIntoTheSameFolderGivesTheSameShotsAndFixtures) {
    const auto bytes = [](const QString& name) { return test::readBytes(folder + '/' + name + ".png"); };
    QMap<QString, QByteArray> before;
    for (const QString& name : names())
        before.insert(name, bytes(name));
    // "true" is not live: still offscreen, with no display at all.
    QProcessEnvironment live;
    live.insert("BRISKLET_SNAPSHOT_LIVE", "true");
    const SnapshotProgram again = run(folder, live);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, first->out);
    // Byte for byte, the looping key demos too.
    for (const QString& name : names()) {
        EXPECT_FALSE(before.value(name).isEmpty()) << name.toStdString();
        EXPECT_TRUE(bytes(name) == before.value(name)) << name.toStdString() << " is the same file";
    }
    EXPECT_EQ(setupNames("one.json").size(), 1);
    EXPECT_EQ(setupNames("many.json").size(), 3);
}

// Two displays side by side, as the two-display setup was made on: every view that
// draws the screens (cards, editor, capture review) copes with the second one.
TEST_F(SnapshotRunUiTest, twoScreensGiveEveryShotToo) {
    const QString config = home->path() + "/screens.json";
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens":[{"name":"a","x":0,"y":0,"width":1728,"height":1117,"logicalDpi":96},)"
               R"({"name":"b","x":1728,"y":0,"width":2560,"height":1440,"logicalDpi":96}]})");
    file.close();
    QProcessEnvironment screens;
    screens.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    const QString two = home->path() + "/two-screens";
    const SnapshotProgram result = run(two, screens);
    EXPECT_EQ(result.status, 0) << result.errors.join('\n').toStdString();
    EXPECT_EQ(result.out, QStringLiteral("SNAPSHOTS WRITTEN: %1 -> %2\n").arg(shots().size()).arg(two));
    for (const Shot& shot : shots())
        EXPECT_EQ(QImage(two + '/' + shot.name + ".png").size(), shot.size) << shot.name.toStdString();
    // The capture speaks of two displays, and "monday review" was made on these two:
    // its card has no warning now.
    EXPECT_NE(QImage(two + "/capture-preview.png"), picture("capture-preview"));
    EXPECT_NE(QImage(two + "/home-2-setups-many.png"), picture("home-2-setups-many"));
    EXPECT_EQ(QImage(two + "/hud-3-heard.png"), picture("hud-3-heard")) << "no screen in it";
}

TEST_F(SnapshotRunUiTest, aFolderThatCantBeMadeFailsEveryShotWithANonZeroStatus) {
    const QString blocker = home->path() + "/a-file";
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const SnapshotProgram result = run(blocker + "/shots");
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.out, QStringLiteral("SNAPSHOTS WRITTEN: 0 -> %1/shots\n").arg(blocker));
    ASSERT_EQ(result.errors.size(), int(shots().size()));
    for (int i = 0; i < result.errors.size(); ++i)
        EXPECT_TRUE(result.errors[i].startsWith("snapshot " + shots()[i].name + ": "))
            << result.errors[i].toStdString();
}
