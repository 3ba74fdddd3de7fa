// Placing a parsed draft on the installed apps: roles, fuzzy names, pages in the
// default browser, what is left out, and the name a draft may take.
#include "magic/MagicGrounding.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicFixtures.h"
#include "magic/MagicScan.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

MagicRecommender::Inventory inventory() {
    const std::vector<IndexedApp> apps{indexed("code", "Visual Studio Code"), indexed("kitty", "kitty"),
                                       indexed("org.gnome.Terminal", "Terminal"),
                                       indexed("firefox", "Firefox"),
                                       indexed("libreoffice-writer", "LibreOffice Writer")};
    const MagicProfile profile{MagicScan::rank({used("org.gnome.Terminal", "Terminal", 300, 1)}, kNow), kNow};
    return MagicRecommender::inventory(profile, apps, {"Writing", "Desk setup"},
                                       {QStringLiteral("firefox"), "1:800x600"});
}

ParsedMagicDraft::Item app(const QString& text, std::optional<MagicPlacement> placement = std::nullopt) {
    return {text, std::nullopt, placement};
}
ParsedMagicDraft::Item page(const QString& url) {
    return {std::nullopt, url, std::nullopt};
}

MagicBuilt built(const ParsedMagicDraft& draft, const QSet<QString>& reserved = {}) {
    auto result = MagicGrounding::ground(draft, inventory(), reserved, kNow);
    EXPECT_TRUE(std::holds_alternative<MagicBuilt>(result));
    return std::holds_alternative<MagicBuilt>(result) ? std::get<MagicBuilt>(result) : MagicBuilt{};
}

} // namespace

TEST(MagicGroundingTest, rolesNamesAndTheBrowserResolveToInstalledApps) {
    const auto inv = inventory();
    EXPECT_EQ(MagicGrounding::resolveApp("terminal", inv, kNow), "org.gnome.Terminal") << "the one used most";
    EXPECT_EQ(MagicGrounding::resolveApp("Browser", inv, kNow), "firefox");
    EXPECT_EQ(MagicGrounding::resolveApp("libreoffice writer", inv, kNow), "libreoffice-writer");
    EXPECT_EQ(MagicGrounding::resolveApp("Visual Studio Cod", inv, kNow), "code");
    EXPECT_EQ(MagicGrounding::resolveApp("Photoshop", inv, kNow), std::nullopt);
    EXPECT_EQ(MagicGrounding::resolveApp("!!!", inv, kNow), std::nullopt);
    EXPECT_EQ(MagicGrounding::resolveApp("design", inv, kNow), std::nullopt) << "a role nothing fills";
}

TEST(MagicGroundingTest, placedItemsKeepOrderFramesAndReasonsAndTheRestIsListed) {
    ParsedMagicDraft draft{"Writing",
                           "A page and the web.",
                           {app("LibreOffice Writer", MagicPlacement::leftWide), app("Figma"),
                            page("https://example.com/notes"), app("terminal", MagicPlacement::rightNarrow)}};
    const MagicBuilt result = built(draft);
    const brisklet::Setup& setup = result.proposal.draft;
    ASSERT_EQ(setup.items.size(), 3u);
    EXPECT_EQ(setup.items[0].bundleID, "libreoffice-writer");
    EXPECT_EQ(setup.items[0].appName, "LibreOffice Writer");
    EXPECT_EQ(setup.items[0].frame, (SetupFrame{0, 0, 0.66, 1, 0}));
    EXPECT_EQ(setup.items[1].kind, SetupItemKind::url);
    EXPECT_EQ(setup.items[1].bundleID, "firefox");
    EXPECT_EQ(setup.items[1].url, "https://example.com/notes");
    EXPECT_FALSE(setup.items[1].frame);
    EXPECT_EQ(setup.items[2].bundleID, "org.gnome.Terminal");
    EXPECT_EQ(result.unresolved, QStringList{"Figma"});
    EXPECT_EQ(result.proposal.evidence.at("libreoffice-writer"), "on this computer");
    EXPECT_EQ(result.proposal.evidence.at("org.gnome.Terminal"),
              QString::fromUtf8("opened 300× on this computer"));
    EXPECT_FALSE(result.proposal.evidence.count("firefox")) << "pages give no reason";
    EXPECT_EQ(result.proposal.blurb, "A page and the web.");
    EXPECT_EQ(result.proposal.score, 0);
    EXPECT_EQ(setup.fingerprint, "1:800x600");
    EXPECT_FALSE(setup.id.isNull());
    EXPECT_EQ(result.proposal.id(), setup.id);
}

TEST(MagicGroundingTest, nothingPlacedFailsAndPagesNeedABrowser) {
    auto result = MagicGrounding::ground({"X", "", {app("Figma"), app("Photoshop")}}, inventory(), {}, kNow);
    ASSERT_TRUE(std::holds_alternative<MagicDraftError>(result));
    EXPECT_EQ(std::get<MagicDraftError>(result).description(), "none of those apps are on this computer");

    auto inv = inventory();
    inv.defaultBrowserBundleID.reset();
    result = MagicGrounding::ground({"X", "", {page("https://a.example"), app("kitty")}}, inv, {}, kNow);
    ASSERT_TRUE(std::holds_alternative<MagicBuilt>(result));
    EXPECT_EQ(std::get<MagicBuilt>(result).unresolved, QStringList{"https://a.example"});
}

TEST(MagicGroundingTest, aNameTakenByAPhraseOrASetupIsMadeFree) {
    const QSet<QString> reserved{"music", "my music"};
    EXPECT_EQ(MagicGrounding::safeName("Focus", {"focus"}, {}), "My Focus");
    EXPECT_EQ(MagicGrounding::safeName("Music", reserved, {}), "Magic setup");
    EXPECT_EQ(MagicGrounding::safeName("Focus", {"focus"}, {"my focus", "my focus 2"}), "My Focus 3");
    EXPECT_EQ(MagicGrounding::safeName("Writing", {}, {"writing"}), "Writing 2");
    EXPECT_EQ(built({"Writing", "", {app("kitty")}}).proposal.title, "Writing 2") << "a saved setup has it";
    EXPECT_EQ(built({"Desk set up", "", {app("kitty")}}).proposal.title, "Desk set up 2") << "said alike";
}

TEST(MagicBuilderReplyTest, aRejectedDraftIsLoggedAndReportedAsBadPlan) {
    LogCapture log;
    const auto inv = inventory();
    EXPECT_EQ(MagicBuilder::replyResult(R"({"name":"","items":[]})", inv, {}, kNow),
              (MagicBuilder::Result{std::nullopt, AskError::badPlan}));
    EXPECT_EQ(log.count("magic draft rejected: that didn't describe a setup"), 1);
    EXPECT_EQ(MagicBuilder::replyResult(R"({"name":"A","items":[{"app":"Figma"}]})", inv, {}, kNow).error,
              AskError::badPlan);
    EXPECT_EQ(log.count("magic draft rejected: none of those apps are on this computer"), 1);
    const auto ok =
        MagicBuilder::replyResult(R"({"name":"Shell","items":[{"app":"kitty"}]})", inv, {"shell"}, kNow);
    ASSERT_TRUE(ok.built);
    EXPECT_EQ(ok.built->proposal.title, "My Shell");
}
