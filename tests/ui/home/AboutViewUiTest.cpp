// The About window of the main menu, light and dark: the brand tile, the name and
// the version of this build, legible and centred; one window at a time.
#include "ui/home/AboutWindow.h"

#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QQuickItem>
#include <QQuickView>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {
class AboutViewUiTest : public LightDarkViewTest {};
} // namespace

TEST_P(AboutViewUiTest, showsTheNameAndVersionLegiblyAboveTheBrandTile) {
    ViewHarness h;
    h.view().resize(AboutWindow::width, AboutWindow::height);
    const QImage image =
        loadAndShoot(h, "AboutView", {{"version", AboutWindow::version()}}, "about", canvas());
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Pixels::nonBlank(image));

    QQuickItem* root = h.root();
    legible(h, image, root, "name");
    legible(h, image, root, "version", 3.0);
    EXPECT_EQ(h.find("name")->property("text").toString(), "Brisklet");
    EXPECT_EQ(h.find("version")->property("text").toString(), "Version " + AboutWindow::version());
    EXPECT_FALSE(AboutWindow::version().isEmpty());

    const QRect tile = h.boxOf(h.find("brandTile"));
    const QRect name = h.boxOf(h.find("name"));
    const QRect version = h.boxOf(h.find("version"));
    EXPECT_LT(tile.bottom(), name.top());
    EXPECT_LT(name.bottom(), version.top());
    EXPECT_NEAR(tile.center().x(), image.width() / 2, 2);
    EXPECT_NEAR(name.center().x(), image.width() / 2, 2);
    EXPECT_GT(Pixels::countNear(image, tile, palette()->ember), tile.width() * tile.height() / 3)
        << "the tile in the brand's colour";
}

INSTANTIATE_TEST_SUITE_P(Appearance, AboutViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST(AboutWindowUiTest, theMenusAboutOpensOneWindowWithTheView) {
    ViewHarness::useSoftwareRenderer();
    AboutWindow::show();
    QQuickView* window = AboutWindow::current();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->title(), "About Brisklet");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->rootObject()) << "the view loaded";
    AboutWindow::show();
    EXPECT_EQ(AboutWindow::current(), window) << "one window at a time";
    window->close();
}
