#include "actions/BrowserScripting.h"
#include "base/Clock.h"
#include "platform/linux/AppIdentity.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/XdgBrowserLauncher.h"
#include "support/DesktopEntryFixture.h"
#include "support/TempHome.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {
bool listed(X11Session& x, xcb_window_t window) {
    const auto list = x.clientList();
    return std::find(list.begin(), list.end(), window) != list.end();
}
} // namespace

TEST(BrowserScriptingX11, opensTwoPagesInOnePlacedWindowAndClosesIt) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    TempHome home;
    installFakeBrowser();
    const auto entries = platform::DesktopEntries::scan();
    const auto provider = [&] { return entries; };
    platform::AppIdentity identity(provider);
    platform::X11WindowSystem windows;
    windows.setIdentityResolver([&](const auto& query) { return identity.resolve(query); });
    platform::XdgBrowserLauncher launcher(provider);
    BrowserScripting::Desktop desktop{windows, launcher, Clock::system()};

    const QRectF bounds(300, 200, 900, 600);
    const auto opened = BrowserScripting::openPositioned(
        desktop, {"https://example.com/inbox", "https://example.com/calendar"}, "firefox-esr", bounds);
    ASSERT_EQ(opened.kind, BrowserScripting::OpenResult::Kind::opened);
    const xcb_window_t window = opened.windowID;
    EXPECT_EQ(x.windowClass(window), "Navigator,firefox-esr");
    EXPECT_EQ(x.windowTitle(window), "https://example.com/inbox");
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, window), bounds); }, 3));
    EXPECT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == window; }, 3));

    const auto harvest = BrowserScripting::harvestWindows(desktop, "firefox-esr");
    ASSERT_EQ(harvest.kind, BrowserScripting::HarvestResult::Kind::windows);
    EXPECT_TRUE(std::any_of(harvest.windows.begin(), harvest.windows.end(),
                            [&](const auto& w) { return w.windowID == window && w.url.isEmpty(); }));

    EXPECT_EQ(
        BrowserScripting::closeWindows(desktop, {{window, "https://example.com/inbox"}}, "firefox-esr").kind,
        BrowserScripting::CloseResult::closed);
    EXPECT_TRUE(X11Session::waitUntil([&] { return !listed(x, window); }, 5))
        << "the browser window stayed open";
}
