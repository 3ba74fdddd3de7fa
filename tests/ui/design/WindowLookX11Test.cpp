// Our windows on the real X desktop, which runs no compositor: the heads-up display
// goes at once instead of fading to black, and fades again once a compositor holds
// its selection; the home window asks for the title bar of the app's appearance.
#include "ui/home/HomeWindowFixture.h"

#include "platform/linux/X11WindowLook.h"
#include "support/X11Session.h"
#include "ui/design/FloatingPanel.h"
#include "ui/hud/HUDController.h"

#include <QQuickView>
#include <QWindow>
#include <cstdlib>

using namespace brisklet;
using namespace brisklet::test;

namespace {

QByteArray textProperty(X11Session& x, xcb_window_t window, const char* name) {
    auto* reply = xcb_get_property_reply(
        x.connection(), xcb_get_property(x.connection(), 0, window, x.atom(name), XCB_ATOM_ANY, 0, 64),
        nullptr);
    QByteArray value;
    if (reply)
        value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

// Holds the compositing manager's selection, as a compositor does, while it lives.
class FakeCompositor final {
public:
    explicit FakeCompositor(X11Session& x) : x_(x), window_(xcb_generate_id(x.connection())) {
        xcb_create_window(x.connection(), XCB_COPY_FROM_PARENT, window_, x.root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(x.connection(), window_, x.atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        // A round trip: the server has taken the selection before anyone asks.
        std::free(xcb_get_selection_owner_reply(
            x.connection(), xcb_get_selection_owner(x.connection(), x.atom("_NET_WM_CM_S0")), nullptr));
    }
    ~FakeCompositor() {
        xcb_destroy_window(x_.connection(), window_);
        std::free(xcb_get_input_focus_reply(x_.connection(), xcb_get_input_focus(x_.connection()), nullptr));
    }

private:
    X11Session& x_;
    xcb_window_t window_;
};

class WindowLookX11Test : public HomeWindowFixture {
protected:
    void SetUp() override {
        HomeWindowFixture::SetUp();
        DesignSystem::instance().setWindowLook(&look);
    }
    void TearDown() override {
        DesignSystem::instance().setWindowLook(nullptr);
        HomeWindowFixture::TearDown();
    }
    X11Session x;
    platform::X11WindowLook look;
};

} // namespace

TEST_P(WindowLookX11Test, WithoutACompositorTheDisplayGoesAtOnceAndWithOneItFades) {
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    ASSERT_FALSE(look.compositing()) << "the test desktop runs none";
    HUDController hud;
    hud.show(HUDState::info(QStringLiteral("Microphone is off")));
    auto* panel = dynamic_cast<FloatingPanel*>(hud.surface());
    ASSERT_TRUE(panel && panel->window());
    ASSERT_TRUE(X11Session::waitUntil([&] { return panel->window()->isExposed(); }, 5));
    hud.hide();
    EXPECT_FALSE(panel->window()->isVisible()) << "gone at once, not darkening";

    FakeCompositor compositor(x);
    ASSERT_TRUE(look.compositing());
    hud.show(HUDState::info(QStringLiteral("Microphone is off")));
    ASSERT_TRUE(X11Session::waitUntil([&] { return panel->window()->isExposed(); }, 5));
    hud.hide();
    EXPECT_TRUE(panel->window()->isVisible()) << "fading, not gone at once";
    EXPECT_TRUE(
        X11Session::waitUntil([&] { return panel->content()->property("opacity").toReal() < 1.0; }, 5));
    EXPECT_TRUE(X11Session::waitUntil([&] { return !panel->window()->isVisible(); }, 5));
}

TEST_P(WindowLookX11Test, TheHomeWindowAsksForTheTitleBarOfTheAppsAppearance) {
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    controller.show();
    QQuickView* window = controller.window();
    ASSERT_TRUE(window);
    const auto id = xcb_window_t(window->winId());
    const QByteArray mine = GetParam() ? "dark" : "light";
    const QByteArray other = GetParam() ? "light" : "dark";
    EXPECT_TRUE(X11Session::waitUntil([&] { return textProperty(x, id, "_GTK_THEME_VARIANT") == mine; }, 5));
    appearance.set(!GetParam(), false);
    EXPECT_TRUE(X11Session::waitUntil([&] { return textProperty(x, id, "_GTK_THEME_VARIANT") == other; }, 5));
    controller.hide();
}

INSTANTIATE_TEST_SUITE_P(Appearance, WindowLookX11Test, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
