#include "setups/Setup.h"
#include "setups/SetupIcons.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace brisklet;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 30, 15, 480), Qt::UTC);
const QDateTime kNowWhole(QDate(2026, 12, 7), QTime(9, 30, 15), Qt::UTC);

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

std::optional<brisklet::Setup> decode(const char* json, brisklet::Setup::Filled* filled = nullptr) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    EXPECT_TRUE(doc.isObject()) << json;
    return brisklet::Setup::fromJson(doc.object(), kNow, filled);
}

SetupItem item(SetupItemKind kind, std::optional<SetupFrame> frame = std::nullopt) {
    return {QUuid::createUuid(), kind, "firefox-esr", "Firefox ESR", std::nullopt, "", frame, std::nullopt};
}

brisklet::Setup everyField() {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Deep Work";
    s.phrases = {"focus time", "heads down"};
    s.items = {{QUuid::createUuid(), SetupItemKind::app, "code", "Visual Studio Code", std::nullopt,
                "main.cpp", SetupFrame{0, 0.25, 0.66, 0.75, 1}, "~/src/brisklet"},
               {QUuid::createUuid(), SetupItemKind::url, "firefox-esr", "Firefox ESR",
                "https://example.org/a?b=1", "Docs", SetupFrame{0.66, 0, 0.34, 1, 0}, std::nullopt}};
    s.system = {30,
                SetupSystemState::Appearance::dark,
                SetupSystemState::Music::pause,
                "org.gnome.Rhythmbox3",
                "Brisklet DND",
                70,
                "droplet"};
    s.fingerprint = "2:1728x1117,2560x1440";
    s.endQuitsApps = false;
    s.closeOthers = true;
    s.requiresAllDisplays = true;
    s.icon = "leaf";
    s.createdAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    s.updatedAt = QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6), Qt::UTC);
    s.lastRunAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
    return s;
}

} // namespace

TEST(SetupJson, aNameAloneTakesEveryDefault) {
    brisklet::Setup::Filled filled;
    const auto s = decode(R"({"name": "X"})", &filled);
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->id.isNull());
    EXPECT_EQ(s->name, "X");
    EXPECT_TRUE(s->phrases.isEmpty());
    EXPECT_TRUE(s->items.empty());
    EXPECT_TRUE(s->system.isEmpty());
    EXPECT_EQ(s->fingerprint, "");
    EXPECT_TRUE(s->endQuitsApps);
    EXPECT_FALSE(s->closeOthers);
    EXPECT_FALSE(s->requiresAllDisplays);
    EXPECT_FALSE(s->icon);
    EXPECT_EQ(s->createdAt, kNowWhole);
    EXPECT_EQ(s->updatedAt, kNowWhole);
    EXPECT_FALSE(s->lastRunAt);
    EXPECT_TRUE(filled.id);
    EXPECT_TRUE(filled.createdAt);
    // Each decoding makes its own id.
    EXPECT_NE(decode(R"({"name": "X"})")->id, s->id);
}

TEST(SetupJson, nullCountsAsAbsentWhereADefaultExists) {
    const auto s = decode(R"({"name": "X", "createdAt": "2026-05-01T10:00:00Z", "endQuitsApps": null,
        "phrases": null, "items": null, "system": null, "icon": null, "lastRunAt": null, "closeOthers": null})");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->createdAt, QDateTime(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC));
    EXPECT_EQ(s->updatedAt, s->createdAt);
    EXPECT_TRUE(s->endQuitsApps);
    EXPECT_FALSE(s->icon);
    EXPECT_FALSE(decode(R"({"name": "X", "endQuitsApps": false})")->endQuitsApps);

    // Fields of an item and of the system state: absent or null is absent.
    const auto withItem = decode(R"({"name": "X", "system": {"volume": null, "shortcut": "Focus"},
        "items": [{"id": "7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51", "kind": "url", "bundleID": "firefox-esr",
                   "appName": "Firefox", "title": "", "url": null, "frame": null}]})");
    ASSERT_TRUE(withItem);
    EXPECT_EQ(withItem->system, (SetupSystemState{std::nullopt, {}, {}, {}, "Focus", {}, {}}));
    ASSERT_EQ(withItem->items.size(), 1u);
    EXPECT_FALSE(withItem->items[0].url);
    EXPECT_FALSE(withItem->items[0].frame);
}

TEST(SetupJson, anyOtherFaultFailsTheWholeSetup) {
    const char* broken[] = {
        R"({})",
        R"({"name": null})",
        R"({"name": 7})",
        R"({"name": "X", "id": "not-a-uuid"})",
        R"({"name": "X", "id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E5"})",
        R"({"name": "X", "phrases": ["a", 1]})",
        R"({"name": "X", "phrases": "a"})",
        R"({"name": "X", "items": {}})",
        R"({"name": "X", "endQuitsApps": "yes"})",
        R"({"name": "X", "endQuitsApps": 1})",
        R"({"name": "X", "system": []})",
        R"({"name": "X", "system": {"appearance": "Dark"}})",
        R"({"name": "X", "system": {"music": "stop"}})",
        R"({"name": "X", "system": {"volume": "30"}})",
        R"({"name": "X", "system": {"volume": 1.5}})",
        R"({"name": "X", "system": {"brightness": 3000000000}})",
        R"({"name": "X", "system": {"soundCue": false}})",
        R"({"name": "X", "createdAt": "2026-05-01T10:00:00"})",
        R"({"name": "X", "updatedAt": "2026-05-01"})",
        R"({"name": "X", "lastRunAt": "yesterday"})",
        R"({"name": "X", "lastRunAt": "2026-13-01T10:00:00Z"})",
    };
    for (const char* json : broken)
        EXPECT_FALSE(decode(json)) << json;

    const char* goodItem =
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code",
        "appName": "Code", "title": ""})";
    ASSERT_TRUE(SetupItem::fromJson(object(goodItem)));
    const char* brokenItems[] = {
        R"({"kind": "app", "bundleID": "code", "appName": "Code", "title": ""})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "web", "bundleID": "code", "appName": "Code", "title": ""})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "appName": "Code", "title": ""})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "title": ""})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code"})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code", "title": null})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code", "title": "",
            "frame": {"rx": 0, "ry": 0, "rw": 1, "rh": 1}})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code", "title": "",
            "frame": {"rx": 0, "ry": 0, "rw": 1, "rh": 1, "displayIndex": 0.5}})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code", "title": "",
            "frame": {"rx": "0", "ry": 0, "rw": 1, "rh": 1, "displayIndex": 0}})",
        R"({"id": "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51", "kind": "app", "bundleID": "code", "appName": "Code", "title": "",
            "projectPath": 3})",
    };
    for (const char* json : brokenItems) {
        EXPECT_FALSE(SetupItem::fromJson(object(json))) << json;
        // One bad item fails the setup that holds it.
        QJsonObject setup{{"name", "X"}, {"items", QJsonArray{object(goodItem), object(json)}}};
        EXPECT_FALSE(brisklet::Setup::fromJson(setup, kNow)) << json;
    }
}

TEST(SetupJson, wholeNumbersMayBeWrittenAsDecimals) {
    const auto s = decode(R"({"name": "X", "system": {"volume": 30.0, "brightness": -0}})");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->system.volume, 30);
    EXPECT_EQ(s->system.brightness, 0);
}

TEST(SetupJson, everyFieldSurvivesARoundTrip) {
    const brisklet::Setup s = everyField();
    const QJsonObject json = s.toJson();
    brisklet::Setup::Filled filled;
    const auto back = brisklet::Setup::fromJson(
        QJsonDocument::fromJson(QJsonDocument(json).toJson()).object(), kNow, &filled);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);
    EXPECT_FALSE(filled.id);
    EXPECT_FALSE(filled.createdAt);

    // Ids are written upper case; dates in UTC with whole seconds.
    EXPECT_EQ(json["id"].toString(), s.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(json["lastRunAt"].toString(), "2026-03-04T05:06:07Z");
    EXPECT_EQ(json["system"].toObject()["appearance"].toString(), "dark");
    EXPECT_EQ(json["items"].toArray()[0].toObject()["kind"].toString(), "app");
    EXPECT_EQ(json["items"].toArray()[1].toObject()["kind"].toString(), "url");
    EXPECT_EQ(QJsonDocument(json["items"].toArray()[0].toObject()["frame"].toObject())
                  .toJson(QJsonDocument::Compact),
              R"({"displayIndex":1,"rh":0.75,"rw":0.66,"rx":0,"ry":0.25})");
}

TEST(SetupJson, whatIsWrittenAlwaysReadsBack) {
    // A frame JSON can't hold is left out rather than making the file unreadable.
    brisklet::Setup s;
    s.name = "Odd";
    s.items = {item(SetupItemKind::app, SetupFrame{0, std::nan(""), 1, 1, 0}),
               item(SetupItemKind::app, SetupFrame{0, 0, std::numeric_limits<double>::infinity(), 1, 0}),
               item(SetupItemKind::app, SetupFrame{0.5, 0, 0.5, 1, 0})};
    const QByteArray text = QJsonDocument(s.toJson()).toJson();
    const auto back = brisklet::Setup::fromJson(QJsonDocument::fromJson(text).object(), kNow);
    ASSERT_TRUE(back) << text.constData();
    ASSERT_EQ(back->items.size(), 3u);
    EXPECT_FALSE(back->items[0].frame);
    EXPECT_FALSE(back->items[1].frame);
    EXPECT_EQ(back->items[2].frame, (SetupFrame{0.5, 0, 0.5, 1, 0}));
    EXPECT_TRUE(back->createdAt.isValid());
}

TEST(SetupJson, absentOptionalsAreLeftOutAndTheSystemIsAlwaysWritten) {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Bare";
    s.items = {item(SetupItemKind::app)};
    s.createdAt = s.updatedAt = kNowWhole;
    const QJsonObject json = s.toJson();
    EXPECT_EQ(json.keys(),
              (QStringList{"closeOthers", "createdAt", "endQuitsApps", "fingerprint", "id", "items", "name",
                           "phrases", "requiresAllDisplays", "system", "updatedAt"}));
    EXPECT_TRUE(json["system"].isObject());
    EXPECT_TRUE(json["system"].toObject().isEmpty());
    EXPECT_EQ(json["items"].toArray()[0].toObject().keys(),
              (QStringList{"appName", "bundleID", "id", "kind", "title"}));
}

TEST(SetupJson, idsAndDatesReadInTheirAcceptedForms) {
    const QUuid id = QUuid::fromString(QStringLiteral("7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51"));
    EXPECT_EQ(SetupJson::parseId("7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51"), id);
    EXPECT_EQ(SetupJson::parseId("7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51"), id);
    EXPECT_EQ(SetupJson::parseId("{7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51}"), id);
    EXPECT_EQ(SetupJson::parseId("00000000-0000-0000-0000-000000000000"), QUuid());
    EXPECT_FALSE(SetupJson::parseId(""));
    EXPECT_FALSE(SetupJson::parseId("7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e5g"));
    EXPECT_FALSE(SetupJson::parseId(" 7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51"));
    EXPECT_FALSE(SetupJson::parseId("{00000000-0000-0000-0000-000000000000"));
    EXPECT_EQ(SetupJson::idText(id), "7D0E2A41-93B8-4F3C-8E0B-0A1B2C3D4E51");

    EXPECT_EQ(SetupJson::parseDate("2026-12-07T10:00:00+02:00"),
              QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC));
    EXPECT_EQ(SetupJson::parseDate("2026-12-07T10:00:00.987Z"),
              QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC));
    EXPECT_FALSE(SetupJson::parseDate("2026-12-07T10:00:00"));
    EXPECT_FALSE(SetupJson::parseDate("2026-12-07"));
    EXPECT_FALSE(SetupJson::parseDate("2026-12-07T10:00Z"));
    EXPECT_EQ(SetupJson::dateText(kNow), "2026-12-07T09:30:15Z");
    EXPECT_EQ(SetupJson::dateText(QDateTime(QDate(2026, 12, 7), QTime(11, 30, 15), Qt::OffsetFromUTC, 7200)),
              "2026-12-07T09:30:15Z");
}

TEST(SetupDerived, effectsSummaryListsWhatARunDoesBesidesOpeningApps) {
    brisklet::Setup s;
    EXPECT_EQ(s.effectsSummary(), "");
    s.items = {item(SetupItemKind::url)};
    EXPECT_EQ(s.effectsSummary(), "1 site");

    s.items = {item(SetupItemKind::url), item(SetupItemKind::app), item(SetupItemKind::url)};
    s.closeOthers = true;
    s.system.volume = 30;
    s.system.appearance = SetupSystemState::Appearance::dark;
    EXPECT_EQ(s.effectsSummary(), "2 sites · closes everything else · volume 30% · dark mode");

    brisklet::Setup all;
    all.items = {item(SetupItemKind::app), item(SetupItemKind::app)};
    all.items[0].projectPath = "";
    all.items[1].projectPath = "~/b";
    all.system = {
        0, SetupSystemState::Appearance::light, SetupSystemState::Music::play, "spotify", "Focus", 55, ""};
    all.endQuitsApps = false;
    all.requiresAllDisplays = true;
    EXPECT_EQ(all.effectsSummary(), "opens a project · volume 0% · brightness 55% · light mode · music on · "
                                    "Shortcut \u201CFocus\u201D · plays a chime");

    brisklet::Setup quiet;
    quiet.system.music = SetupSystemState::Music::pause;
    quiet.system.shortcut = "";
    EXPECT_EQ(quiet.effectsSummary(), "music off");
}

TEST(SetupDerived, itemsByKindAndDisplaysNeeded) {
    brisklet::Setup s;
    EXPECT_EQ(s.displaysNeeded(), 1);
    s.items = {item(SetupItemKind::url, SetupFrame{0, 0, 1, 1, 2}), item(SetupItemKind::app),
               item(SetupItemKind::url)};
    EXPECT_EQ(s.displaysNeeded(), 3);
    EXPECT_EQ(s.urlItems().size(), 2u);
    ASSERT_EQ(s.appItems().size(), 1u);
    EXPECT_EQ(s.appItems()[0], s.items[1]);
    EXPECT_EQ(s.urlItems()[1], s.items[2]);

    s.items[1].frame = SetupFrame{0, 0, 1, 1, INT_MAX};
    EXPECT_EQ(s.displaysNeeded(), qint64(INT_MAX) + 1);
    // Only negative indices: legal, and less than one display.
    s.items = {item(SetupItemKind::app, SetupFrame{0, 0, 1, 1, -3})};
    EXPECT_EQ(s.displaysNeeded(), -2);
}

TEST(SetupDerived, aFreshSetupHasItsOwnIdAndStampsAndEveryDefault) {
    const brisklet::Setup a = brisklet::Setup::fresh("fp-1", kNow);
    const brisklet::Setup b = brisklet::Setup::fresh("fp-1", kNow);
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(a.fingerprint, "fp-1");
    EXPECT_EQ(a.createdAt, kNow);
    EXPECT_EQ(a.updatedAt, kNow);
    brisklet::Setup plain;
    plain.id = a.id;
    plain.fingerprint = a.fingerprint;
    plain.createdAt = plain.updatedAt = kNow;
    EXPECT_EQ(a, plain);
}

TEST(SetupIcons, keywordsFirstThenAStableHash) {
    EXPECT_EQ(SetupIcons::all().size(), 24);
    EXPECT_EQ(SetupIcons::autoFor("deep work"), "hammer"); // "work" comes before "deep"
    EXPECT_EQ(SetupIcons::autoFor("email"), "envelope");
    EXPECT_EQ(SetupIcons::autoFor("Writing"), "pencil.and.outline");
    EXPECT_EQ(SetupIcons::autoFor("MORNING run"), "sun.max");
    EXPECT_EQ(SetupIcons::autoFor(""), "pencil.and.outline");
    EXPECT_EQ(SetupIcons::autoFor("abc"), "curlybraces");
    EXPECT_EQ(SetupIcons::autoFor("Travel"), "laptopcomputer");
    EXPECT_EQ(SetupIcons::autoFor("Travel"), SetupIcons::autoFor("travel"));
    EXPECT_TRUE(SetupIcons::all().contains(SetupIcons::autoFor("Ünïcødé ✈")));
}
