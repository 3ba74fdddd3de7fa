#include "commands/BrowserScripting.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(BrowserScripting, allowsOnlyWebAddressesWithAHost) {
    const struct {
        const char* text;
        bool allowed;
    } cases[] = {
        {"https://example.com/docs?q=1#top", true},
        {"http://localhost:8080", true},
        {"HTTPS://a.b", true},
        {"mailto:me@example.com", false},
        {"about:blank", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"http:///p", false},
        {"example.com", false},
        {"https://exa mple.com", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowserScripting::isAllowedURL(QString::fromUtf8(c.text)), c.allowed) << c.text;
}

TEST(BrowserScripting, quotesTextForAnotherProgram) {
    EXPECT_EQ(BrowserScripting::quoted("a\nb\\c\"d\te"), "\"ab\\\\c\\\"de\"");
    EXPECT_EQ(BrowserScripting::quoted(""), "\"\"");
    EXPECT_EQ(BrowserScripting::quoted("Café ☕"), "\"Café ☕\"");
}

TEST(BrowserScripting, knowsBrowsersByDesktopId) {
    EXPECT_EQ(BrowserScripting::family("firefox-esr"), BrowserScripting::Family::firefox);
    EXPECT_EQ(BrowserScripting::family("chromium"), BrowserScripting::Family::chromium);
    EXPECT_EQ(BrowserScripting::family("Chromium"), std::nullopt); // IDs are compared exactly
    EXPECT_EQ(BrowserScripting::family("org.kde.falkon"), std::nullopt);
    EXPECT_TRUE(BrowserScripting::isKnownBrowser("org.kde.falkon"));
    EXPECT_TRUE(BrowserScripting::isKnownBrowser("google-chrome"));
    EXPECT_FALSE(BrowserScripting::isKnownBrowser("org.gnome.Terminal"));
}
