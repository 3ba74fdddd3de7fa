// The stores of the data folder under a seeded mutation fuzzer: whatever a file
// holds, loading it and saving a change never loses what it held.
#include "base/JsonFile.h"
#include "base/Paths.h"
#include "commands/CommandRegistry.h"
#include "setups/SetupStore.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeScheduler.h"
#include "support/KeepingRuleFuzzer.h"
#include "support/TempHome.h"
#include "windows/LayoutStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

constexpr unsigned fuzzSeed = 20261207;
constexpr int fuzzInputs = 3000;
// Each setups store watches its file, and closing a file watch waits on the
// kernel for milliseconds: fewer inputs keep the run short.
constexpr int watchedFuzzInputs = 1000;

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<QJsonDocument> parsed(const QByteArray& bytes) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return std::nullopt;
    return document;
}

void expectKept(const test::FuzzReport& report, int inputs = fuzzInputs) {
    EXPECT_EQ(report.inputs, inputs);
    EXPECT_TRUE(report.failures.isEmpty()) << report.failures.mid(0, 5).join('\n').toStdString();
    // The mutations reach every branch of the rule.
    EXPECT_GT(report.unchanged + report.backedUp, 0);
    EXPECT_GT(report.backedUp, 0);
    EXPECT_GT(report.recordsKept, 0);
}

class KeepingRuleFuzz : public ::testing::Test {
protected:
    KeepingRuleFuzz() {
        // Every save syncs the file to disk: in memory the run stays short.
        if (memory.isValid())
            qputenv("XDG_DATA_HOME", memory.path().toUtf8());
    }
    test::TempHome home; // puts the old folders back when the test ends
    QTemporaryDir memory{QStringLiteral("/dev/shm/brisklet-fuzz-XXXXXX")};
};

} // namespace

TEST_F(KeepingRuleFuzz, commandsFileKeepsWhatItHeld) {
    QJsonArray builtIns;
    for (const CommandEntry& e : CommandRegistry::defaults())
        builtIns.append(e.toJson());
    const CommandEntry own{"notes", {"notes please", "open notes"}, "openApp", {{"name", "Notes"}}, false};
    test::FuzzedStore store;
    store.filePath = Paths::commandsJSON();
    store.backupName = CommandRegistry::corruptBackupName;
    store.seeds = {JsonFile::encode(QJsonDocument(builtIns)),
                   JsonFile::encode(QJsonDocument(QJsonArray{own.toJson()})), "[]"};
    store.loadChangeAndSave = [] {
        CommandRegistry registry;
        registry.load();
        registry.update(CommandEntry{"zz-fuzz-added", {"fuzz added"}, "mute", {}, true});
    };
    store.records = [](const QByteArray& bytes) -> std::optional<std::set<QByteArray>> {
        const auto document = parsed(bytes);
        const auto entries = document ? CommandRegistry::decode(*document) : std::nullopt;
        if (!entries)
            return std::nullopt;
        std::set<QByteArray> out;
        for (const CommandEntry& e : *entries)
            out.insert(compact(e.toJson()));
        return out;
    };
    expectKept(test::fuzzKeepingRule(store, fuzzSeed, fuzzInputs));
}

TEST_F(KeepingRuleFuzz, layoutsFileKeepsWhatItHeld) {
    test::FakeClock clock;
    test::FakeDesktop desktop{clock};
    desktop.setDisplays({test::FakeDesktop::display(1, QRectF(0, 0, 1920, 1080), 30)});
    WindowEngine engine{desktop, nullptr, nullptr, clock};
    const QDateTime when(QDate(2026, 12, 7), QTime(9, 30, 15), Qt::UTC);
    const SavedLayout focus{"Focus", "1:1920x1080", {{"code", "main.cpp", 0, 0, 0.5, 1, 0}}, when};
    const SavedLayout meeting{
        "Meeting, Room",
        "2:1920x1080,2560x1440",
        {{"firefox-esr", "Docs", 0.5, 0.25, 0.5, 0.75, 1}, {"org.gnome.Terminal", "", 0, 0, 1, 1, 0}},
        when};
    test::FuzzedStore store;
    store.filePath = Paths::layoutsJSON();
    store.backupName = LayoutStore::corruptBackupName;
    store.seeds = {JsonFile::encode(QJsonDocument(
                       QJsonObject{{"focus", focus.toJson()}, {"meeting room", meeting.toJson()}})),
                   "{}"};
    store.loadChangeAndSave = [&] {
        LayoutStore layouts(engine, clock);
        layouts.store({"zz fuzz added", "1:1920x1080", {{"code", "x", 0, 0, 1, 1, 0}}, when});
    };
    store.records = [](const QByteArray& bytes) -> std::optional<std::set<QByteArray>> {
        const auto document = parsed(bytes);
        if (!document || !document->isObject())
            return std::nullopt;
        std::set<QByteArray> out;
        const QJsonObject root = document->object();
        for (auto it = root.begin(); it != root.end(); ++it) {
            const auto layout = SavedLayout::fromJson(it.value());
            if (!layout)
                return std::nullopt;
            out.insert(it.key().toUtf8() + '\n' + compact(layout->toJson()));
        }
        return out;
    };
    expectKept(test::fuzzKeepingRule(store, fuzzSeed, fuzzInputs));
}

TEST_F(KeepingRuleFuzz, setupsFileKeepsWhatItHeld) {
    const QDateTime when(QDate(2026, 12, 7), QTime(9, 30, 15), Qt::UTC);
    brisklet::Setup focus;
    focus.id = QUuid("{2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E01}");
    focus.name = "Deep Work";
    focus.phrases = {"focus time"};
    focus.createdAt = when;
    focus.updatedAt = when;
    SetupItem page;
    page.id = QUuid("{2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E09}");
    page.kind = SetupItemKind::url;
    page.bundleID = "firefox-esr.desktop";
    page.url = "https://example.org/board";
    page.frame = SetupFrame{0.5, 0, 0.5, 1, 1};
    focus.items = {page};
    focus.system.volume = 30;
    test::FuzzedStore store;
    store.filePath = Paths::setupsJSON();
    store.backupName = SetupStore::corruptBackupName;
    store.seeds = {JsonFile::encode(QJsonDocument(QJsonArray{focus.toJson()})), "[]"};
    store.loadChangeAndSave = [when] {
        test::FakeClock clock;
        test::FakeScheduler scheduler{clock};
        SetupStore setups(Paths::setupsJSON(), scheduler);
        brisklet::Setup added;
        added.id = QUuid::createUuid();
        added.name = "zz fuzz added";
        added.createdAt = when;
        setups.upsert(added);
    };
    store.records = [when](const QByteArray& bytes) -> std::optional<std::set<QByteArray>> {
        const auto document = parsed(bytes);
        if (!document || !document->isArray())
            return std::nullopt;
        std::set<QByteArray> out;
        for (const QJsonValue& value : document->array()) {
            auto setup = brisklet::Setup::fromJson(value, when);
            if (!setup)
                return std::nullopt;
            // Loading gives a setup without an id or a creation date its own: the
            // record is what the user wrote.
            QJsonObject canonical = setup->toJson();
            canonical.remove("id");
            canonical.remove("createdAt");
            out.insert(compact(canonical));
        }
        return out;
    };
    expectKept(test::fuzzKeepingRule(store, fuzzSeed, watchedFuzzInputs), watchedFuzzInputs);
}
