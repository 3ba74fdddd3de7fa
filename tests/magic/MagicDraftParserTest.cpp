// The strict reader of a model's setup draft: what it accepts, each rule that
// rejects a reply, and the cleaning and bounding of texts.
#include "magic/MagicDraftParser.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

std::optional<ParsedMagicDraft> accepted(const QString& reply) {
    auto parsed = MagicDraftParser::parse(reply);
    if (auto* draft = std::get_if<ParsedMagicDraft>(&parsed))
        return *draft;
    return std::nullopt;
}

QString rejection(const QString& reply) {
    auto parsed = MagicDraftParser::parse(reply);
    if (auto* error = std::get_if<MagicDraftError>(&parsed))
        return error->description();
    return QStringLiteral("(accepted)");
}

QString items(int n) {
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral(R"({"app":"Code"})");
    return "[" + list.join(",") + "]";
}

} // namespace

TEST(MagicDraftParserTest, aGoodDraftIsReadWithItsPlacements) {
    const auto draft = accepted(QStringLiteral(R"(```json
{"name":"Writing","blurb":"Notes on the right.","items":[
 {"app":"LibreOffice Writer","placement":"leftWide"},
 {"url":"HTTPS://example.com/research","placement":null},
 {"app":"editor","url":"https://docs.example.org"}]}
```)"));
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->name, "Writing");
    EXPECT_EQ(draft->blurb, "Notes on the right.");
    ASSERT_EQ(draft->items.size(), 3u);
    EXPECT_EQ(draft->items[0].app, "LibreOffice Writer");
    EXPECT_EQ(draft->items[0].placement, MagicPlacement::leftWide);
    EXPECT_EQ(draft->items[1].url, "HTTPS://example.com/research") << "kept as written";
    EXPECT_EQ(draft->items[1].placement, std::nullopt);
    EXPECT_EQ(draft->items[2].app, "editor");
    EXPECT_EQ(draft->items[2].url, "https://docs.example.org");
}

TEST(MagicDraftParserTest, eachBrokenRuleRejectsTheWholeReply) {
    EXPECT_EQ(rejection("not json"), "reply rejected: not a JSON object");
    EXPECT_EQ(rejection("[]"), "reply rejected: not a JSON object");
    EXPECT_EQ(rejection(R"({"name":"","blurb":"","items":[]})"), "that didn't describe a setup");
    EXPECT_EQ(rejection(R"({"name":"","blurb":""})"), "reply rejected: missing items");
    EXPECT_EQ(rejection(R"({"name":"A","items":{"app":"x"}})"), "reply rejected: missing items");
    EXPECT_EQ(rejection(R"({"name":"A","items":["Code"]})"), "reply rejected: missing items");
    EXPECT_EQ(rejection(R"({"items":[{"app":"Code"}]})"), "reply rejected: missing name");
    EXPECT_EQ(rejection(QStringLiteral(R"({"name":"A","items":%1})").arg(items(9))),
              "reply rejected: bad item count (9)");
    EXPECT_EQ(rejection(R"({"name":"A","items":[]})"), "reply rejected: bad item count (0)");
    EXPECT_TRUE(accepted(QStringLiteral(R"({"name":"A","items":%1})").arg(items(8))));
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"url":"http://example.com"}]})"),
              "reply rejected: disallowed url");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"url":"https://"}]})"), "reply rejected: disallowed url");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"url":"file:///etc/passwd"}]})"),
              "reply rejected: disallowed url");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"url":42}]})"), "reply rejected: disallowed url");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"app":7}]})"), "reply rejected: bad app");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"app":" \u0007\t "}]})"), "reply rejected: empty item");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"placement":"left"}]})"), "reply rejected: empty item");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"app":"Code","placement":"Left"}]})"),
              "reply rejected: bad placement");
    EXPECT_EQ(rejection(R"({"name":"A","items":[{"app":"Code","placement":3}]})"),
              "reply rejected: bad placement");
}

TEST(MagicDraftParserTest, textsAreCleanedAndCutSilently) {
    const auto draft = accepted(
        QStringLiteral(R"({"name":"  %1  ","blurb":"a\nb\u200dc","items":[{"app":"Fire\u202efox"}]})")
            .arg(QString(60, 'n')));
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->name, QString(40, 'n'));
    EXPECT_EQ(draft->blurb, "abc") << "control and format characters go";
    EXPECT_EQ(draft->items[0].app, "Firefox");
    // A name that isn't text is no name.
    EXPECT_EQ(rejection(R"({"name":5,"items":[{"app":"Code"}]})"), "reply rejected: missing name");
    // Grapheme clusters count as one: a flag is never split.
    const QString flags = QString::fromUtf8("🇫🇷").repeated(50);
    EXPECT_EQ(MagicDraftParser::cleaned(flags, 40), QString::fromUtf8("🇫🇷").repeated(40));
}

TEST(MagicDraftParserTest, descriptionsAreTrimmedAndBoundedTo400Units) {
    EXPECT_EQ(MagicDraftParser::boundedDescription("   \n "), "");
    EXPECT_EQ(MagicDraftParser::boundedDescription("  a writing setup \n"), "a writing setup");
    EXPECT_EQ(MagicDraftParser::boundedDescription(QString(500, 'x')), QString(400, 'x'));
    // An emoji straddling the 400th unit is dropped whole, not split.
    const QString text = QString(399, 'x') + QString::fromUtf8("😀") + "tail";
    EXPECT_EQ(MagicDraftParser::boundedDescription(text), QString(399, 'x'));
}

TEST(MagicDraftParserTest, placementsMapToTheirFrames) {
    EXPECT_EQ(frameOf(MagicPlacement::rightNarrow), (SetupFrame{0.66, 0, 0.34, 1, 0}));
    EXPECT_EQ(frameOf(MagicPlacement::center), (SetupFrame{0.15, 0.1, 0.7, 0.8, 0}));
    for (const char* raw : {"left", "right", "leftWide", "rightNarrow", "full", "center"})
        EXPECT_EQ(rawValue(*magicPlacementFrom(raw)), raw);
    EXPECT_EQ(magicPlacementFrom("Full"), std::nullopt);
}
