// The capture review drawn offscreen in light and dark while another program
// writes setups.json behind it: the line and the button follow the file, and a
// press before the store read the file shows the update instead of saving.
#include "setups/SetupStore.h"
#include "ui/setups/CapturePreviewModel.h"
#include "ui/setups/SetupCaptureController.h"

#include "support/FolderWriteFault.h"
#include "support/LightDarkViewTest.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"
#include "ui/setups/CaptureOnFile.h"

#include <QQuickItem>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

SetupItem window(const QString& app, double x) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = app.toLower();
    item.appName = app;
    item.title = app + " — home";
    item.frame = SetupFrame{x, 0, 0.5, 1, 0};
    return item;
}

class CaptureReviewViewUiTest : public LightDarkViewTest, protected CaptureOnFile {
protected:
    CaptureReviewViewUiTest() : LightDarkViewTest(false) {}

    // The review of a two-window capture, typed `name`, at its window's size.
    CapturePreviewModel* review(ViewHarness& h, const QString& name) {
        SetupEngine::CaptureResult result;
        result.items = {window("Terminal", 0), window("Files", 0.5)};
        result.fingerprint = "1:1280x800";
        controller.present(result, name);
        CapturePreviewModel* preview = controller.preview();
        const bool loaded =
            h.loadView("CapturePreviewView", {{"preview", QVariant::fromValue<QObject*>(preview)}});
        EXPECT_TRUE(loaded) << h.errors().toStdString();
        if (loaded)
            h.root()->setSize(QSizeF(SetupCaptureController::width, SetupCaptureController::height));
        return loaded ? preview : nullptr;
    }

    // Another program writes setups of these names, each with one Mail window.
    void writeOutside(const QStringList& names) {
        std::vector<brisklet::Setup> setups;
        for (const QString& name : names) {
            brisklet::Setup s;
            s.id = QUuid::createUuid();
            s.name = name;
            s.items = {window("Mail", 0)};
            setups.push_back(s);
        }
        CaptureOnFile::writeOutside(setups);
    }

    QImage shot(ViewHarness& h, const QString& name) {
        QImage image = h.render();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_TRUE(Pixels::nonBlank(image)) << name.toStdString();
        ViewHarness::save(image, name + suffix());
        return image;
    }
    QString text(ViewHarness& h, const QString& objectName) {
        return h.find(objectName)->property("text").toString();
    }
    QString buttonText(ViewHarness& h) {
        return ViewHarness::find(h.find("save"), "label")->property("text").toString();
    }
};

} // namespace

TEST_P(CaptureReviewViewUiTest, theLineAndTheButtonFollowTheFileAndAnEarlyPressShowsTheUpdate) {
    ViewHarness h(GetParam());
    CapturePreviewModel* preview = review(h, "Evening");
    ASSERT_TRUE(preview);
    shot(h, "capture-review-before-file");
    EXPECT_EQ(buttonText(h), "Save Setup");
    EXPECT_FALSE(h.find("replacing")->isVisible());
    EXPECT_TRUE(h.find("chip")->isVisible());

    // The store reloads the changed file; the review says what Save now does.
    writeOutside({"Evening"});
    ASSERT_TRUE(waitFor([&] { return store.setups().size() == 1; }));
    QImage image = shot(h, "capture-review-file-changed");
    EXPECT_EQ(text(h, "replacing"), "updates your existing “Evening”");
    legible(h, image, h.root(), "replacing", 3.0);
    EXPECT_EQ(buttonText(h), "Update Setup");
    legible(h, image, h.find("save"), "label");
    EXPECT_FALSE(h.find("chip")->isVisible()) << "no new phrase to say";

    // Renamed, then pressed before the store read the file that took the new name:
    // the review shows the update and stays, nothing is stored.
    preview->setName("Dusk");
    clock.advance(CapturePreviewModel::settleSeconds);
    writeOutside({"Evening", "Dusk"});
    h.click(h.find("save"));
    image = shot(h, "capture-review-pressed-early");
    EXPECT_EQ(controller.preview(), preview);
    EXPECT_EQ(text(h, "replacing"), "updates your existing “Dusk”");
    legible(h, image, h.root(), "replacing", 3.0);
    EXPECT_EQ(buttonText(h), "Update Setup");
    ASSERT_EQ(store.setups().size(), 2u);
    EXPECT_EQ(store.setups()[1].items.size(), 1u) << "Dusk keeps its own window";
}

// A save the full disk doesn't take: the review stays as filled in, with the line
// under the name field and Save on for a second try.
TEST_P(CaptureReviewViewUiTest, aSaveTheDiskDoesNotTakeKeepsTheReviewFilledInAndSaysSoUnderTheName) {
    ViewHarness h(GetParam());
    CapturePreviewModel* preview = review(h, "Fulldisk");
    ASSERT_TRUE(preview);
    ASSERT_TRUE(h.find("unsaved"));
    EXPECT_FALSE(h.find("unsaved")->isVisible());
    {
        FolderWriteFault fault(dir.path(), FolderFault::fullDisk);
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        h.click(h.find("save"));
    }
    const QImage image = shot(h, "capture-review-unsaved");
    EXPECT_EQ(controller.preview(), preview) << "the review stays open";
    EXPECT_EQ(text(h, "unsaved"), "Couldn't save “Fulldisk” — the setups file can't be written");
    legible(h, image, h.root(), "unsaved", 3.0);
    EXPECT_EQ(text(h, "name"), "Fulldisk");
    EXPECT_EQ(buttonText(h), "Save Setup");
    EXPECT_TRUE(h.find("save")->isEnabled()) << "a second try is one press away";
    EXPECT_TRUE(store.setups().empty());
}

INSTANTIATE_TEST_SUITE_P(Appearances, CaptureReviewViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
