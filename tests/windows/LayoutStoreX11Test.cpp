#include "windows/LayoutStore.h"
#include "windows/WindowEngine.h"
#include "platform/linux/AppIdentity.h"
#include "platform/linux/X11WindowSystem.h"
#include "support/DesktopEntryFixture.h"
#include "support/TempHome.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {
std::string describe(const std::optional<QRectF>& r) {
    if (!r)
        return "none";
    return QString("%1,%2 %3x%4").arg(r->x()).arg(r->y()).arg(r->width()).arg(r->height()).toStdString();
}
} // namespace

TEST(LayoutStoreX11, putsThreeMovedWindowsBackWhereTheyWereSaved) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    TempHome home;
    writeTestClientEntry("brisklet-editor", "Editor", {"--class", "brisklet-editor,Brisklet-editor"});
    writeTestClientEntry("brisklet-viewer", "Viewer", {"--class", "brisklet-viewer,Brisklet-viewer"});
    const xcb_window_t alpha = x.startClient(
        {"--class", "brisklet-editor,Brisklet-editor", "--title", "Alpha", "--geometry", "700x500+60+80"});
    const xcb_window_t beta = x.startClient(
        {"--class", "brisklet-editor,Brisklet-editor", "--title", "Beta", "--geometry", "600x400+900+120"});
    const xcb_window_t gamma = x.startClient(
        {"--class", "brisklet-viewer,Brisklet-viewer", "--title", "Gamma", "--geometry", "800x450+400+560"});
    ASSERT_TRUE(alpha && beta && gamma) << "a test client never appeared";

    const auto entries = platform::DesktopEntries::scan();
    platform::AppIdentity identity([&] { return entries; });
    platform::X11WindowSystem windows;
    windows.setIdentityResolver([&](const auto& query) { return identity.resolve(query); });
    WindowEngine engine(windows, nullptr, nullptr);
    const auto savedAlpha = outerFrame(x, alpha), savedBeta = outerFrame(x, beta),
               savedGamma = outerFrame(x, gamma);
    ASSERT_TRUE(savedAlpha && savedBeta && savedGamma);

    LayoutStore store(engine);
    const auto snapshot = store.snapshot("Desk");
    EXPECT_EQ(snapshot.saved, 3);
    EXPECT_TRUE(snapshot.written);
    const auto saved = store.lookup("desk");
    ASSERT_TRUE(saved);
    int ours = 0;
    for (const auto& w : saved->windows)
        ours += w.bundleID == "brisklet-editor" || w.bundleID == "brisklet-viewer";
    EXPECT_EQ(ours, 3);

    // Scatter them; the two editor windows trade places.
    ASSERT_TRUE(windows.setFrame(alpha, *savedBeta));
    ASSERT_TRUE(windows.setFrame(beta, *savedAlpha));
    ASSERT_TRUE(windows.setFrame(gamma, QRectF(20, 20, 500, 300)));
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return near(*outerFrame(x, gamma), QRectF(20, 20, 500, 300)); }, 3));
    ASSERT_FALSE(near(*outerFrame(x, alpha), *savedAlpha));

    // A fresh store reads the layout back from the file.
    const auto applied = LayoutStore(engine).apply("desk");
    EXPECT_TRUE(applied.found);
    EXPECT_EQ(applied.placed, 3);
    EXPECT_EQ(applied.total, 3);
    EXPECT_FALSE(applied.arrangementDiffers);
    EXPECT_TRUE(near(*outerFrame(x, alpha), *savedAlpha)) << describe(outerFrame(x, alpha));
    EXPECT_TRUE(near(*outerFrame(x, beta), *savedBeta)) << describe(outerFrame(x, beta));
    EXPECT_TRUE(near(*outerFrame(x, gamma), *savedGamma)) << describe(outerFrame(x, gamma));
}
