// Capturing the test desktop from the Setups pane, reviewing and saving it, then
// running the new setup after the windows were moved: they come back where they
// were captured.
#include "shell/AppDelegate.h"

#include "base/Prefs.h"
#include "platform/WindowSystem.h"
#include "setups/SetupStore.h"
#include "shell/SetupRoadDesktop.h"
#include "support/DesktopEntryFixture.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/home/HomeWindowController.h"
#include "ui/setups/CapturePreviewModel.h"
#include "ui/setups/SetupCaptureController.h"
#include "ui/setups/SetupsPaneModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class SetupCaptureRoadX11Test : public SetupRoadDesktop {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SetupRoadDesktop::SetUp());
        ASSERT_NO_FATAL_FAILURE(launch());
    }

    // A rectangle in the display's visible frame, by fractions (top-left space).
    QRectF slot(double fx, double fy, double fw, double fh) {
        const QRectF v = platform->windowSystem().displays().front().visibleFrame;
        return QRectF(v.x() + fx * v.width(), v.y() + fy * v.height(), fw * v.width(), fh * v.height());
    }

    bool placeAt(xcb_window_t window, const QRectF& frame) {
        platform->windowSystem().setFrame(window, frame);
        return X11Session::waitUntil([&] { return near(*outerFrame(x, window), frame); }, 5);
    }
};

} // namespace

TEST_F(SetupCaptureRoadX11Test, aReviewedCaptureBringsItsWindowsBackWhenRun) {
    const xcb_window_t notes = x.startClient({"--title", "Notes", "--class", "roadnotes,RoadNotes"});
    const xcb_window_t board = x.startClient({"--title", "Board", "--class", "roadboard,RoadBoard"});
    ASSERT_NE(notes, 0u);
    ASSERT_NE(board, 0u);
    const QRectF notesHome = slot(0.05, 0.1, 0.4, 0.5);
    const QRectF boardHome = slot(0.5, 0.3, 0.45, 0.6);
    ASSERT_TRUE(placeAt(notes, notesHome));
    ASSERT_TRUE(placeAt(board, boardHome));

    // The Setups pane's capture button, then the review window.
    delegate->home()->setupsPane().capture();
    SetupCaptureController* capture = delegate->captureController();
    ASSERT_TRUE(X11Session::waitUntil([&] { return capture->window() != nullptr; }, 30))
        << "no review window";
    EXPECT_TRUE(X11Session::waitUntil([&] { return capture->window()->isVisible(); }, 5));
    CapturePreviewModel* preview = capture->preview();
    ASSERT_TRUE(preview);
    int kept = 0;
    for (const QVariant& row : preview->rows()) {
        const QVariantMap r = row.toMap();
        const bool ours = r.value("bundleID").toString().startsWith("org.example.");
        preview->setIncluded(r.value("id").toString(), ours);
        kept += ours ? 1 : 0;
    }
    ASSERT_EQ(kept, 2) << preview->summary().toStdString();
    preview->setName("Desk Review");
    ASSERT_TRUE(preview->canSave());
    preview->save();
    EXPECT_TRUE(X11Session::waitUntil([&] { return capture->window() == nullptr; }, 5));

    // setups.json holds the new setup with both windows placed.
    const auto saved = delegate->setups()->lookup("desk review");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "Desk Review");
    ASSERT_EQ(saved->items.size(), 2u);
    QFile file(delegate->setups()->filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray stored = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].toObject()["name"].toString(), "Desk Review");
    for (const auto& item : stored[0].toObject()["items"].toArray())
        EXPECT_TRUE(item.toObject()["frame"].isObject());

    // Moved away, then the setup's card runs it and puts them back.
    ASSERT_TRUE(placeAt(notes, slot(0.55, 0.05, 0.3, 0.3)));
    ASSERT_TRUE(placeAt(board, slot(0.02, 0.5, 0.3, 0.4)));
    delegate->home()->setupsPane().run(saved->id.toString());
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, notes), notesHome); }, 30))
        << "Notes did not come back";
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, board), boardHome); }, 10))
        << "Board did not come back";
}

TEST_F(SetupCaptureRoadX11Test, theReviewWindowAsksTheWindowManagerForNeitherMinimiseNorMaximise) {
    delegate->home()->setupsPane().capture();
    SetupCaptureController* capture = delegate->captureController();
    ASSERT_TRUE(X11Session::waitUntil([&] { return capture->window() != nullptr; }, 30))
        << "no review window";
    const auto xid = static_cast<xcb_window_t>(capture->window()->winId());
    const auto property = [&](const char* name, xcb_atom_t type) {
        std::vector<uint32_t> values;
        auto cookie = xcb_get_property(x.connection(), 0, xid, x.atom(name), type, 0, 64);
        if (xcb_get_property_reply_t* reply = xcb_get_property_reply(x.connection(), cookie, nullptr)) {
            const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
            std::free(reply);
        }
        return values;
    };
    // What it asks for: move, resize (held fixed by its size hints) and close, and a
    // title bar with no minimise or maximise button.
    const std::vector<uint32_t> motif = property("_MOTIF_WM_HINTS", XCB_ATOM_ANY);
    ASSERT_GE(motif.size(), 3u);
    constexpr uint32_t functions = 1, decorations = 2, all = 1, minimise = 8, maximise = 16, close = 32;
    EXPECT_TRUE(motif[0] & functions);
    EXPECT_FALSE(motif[1] & all) << "not every function";
    EXPECT_FALSE(motif[1] & (minimise | maximise));
    EXPECT_TRUE(motif[1] & close);
    EXPECT_TRUE(motif[0] & decorations);
    EXPECT_FALSE(motif[2] & (all | 32 | 64)) << "no minimise or maximise button";

    // What the window manager then allows: closing, and no maximising. (Openbox
    // keeps minimising for every managed window, whatever the window asks.)
    const auto allowed = [&] { return property("_NET_WM_ALLOWED_ACTIONS", XCB_ATOM_ATOM); };
    const auto has = [](const std::vector<uint32_t>& actions, xcb_atom_t action) {
        return std::find(actions.begin(), actions.end(), action) != actions.end();
    };
    ASSERT_TRUE(X11Session::waitUntil([&] { return has(allowed(), x.atom("_NET_WM_ACTION_CLOSE")); }, 10))
        << "the window manager never listed the window's actions";
    const std::vector<uint32_t> actions = allowed();
    EXPECT_FALSE(has(actions, x.atom("_NET_WM_ACTION_MAXIMIZE_HORZ")));
    EXPECT_FALSE(has(actions, x.atom("_NET_WM_ACTION_MAXIMIZE_VERT")));
    capture->preview()->cancel();
    EXPECT_TRUE(X11Session::waitUntil([&] { return capture->window() == nullptr; }, 5));
    // The closed window goes at the next turn of the loop, which the app has and
    // this test, ending here, has not.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
