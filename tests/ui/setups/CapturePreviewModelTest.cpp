// The capture review's model: what is kept, the overlap warning, the name that
// updates a stored setup, and the texts that count.
#include "ui/setups/CapturePreviewModel.h"

#include "support/FakeClock.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

SetupItem window(const QString& app, bool framed = true) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = app.toLower();
    item.appName = app;
    if (framed)
        item.frame = SetupFrame{0, 0, 0.5, 1, 0};
    return item;
}

SetupItem page(const QString& url, const QString& title = {}) {
    SetupItem item = window("Firefox ESR");
    item.kind = SetupItemKind::url;
    item.url = url;
    item.title = title;
    return item;
}

SetupEngine::CaptureResult capture(std::vector<SetupItem> items) {
    SetupEngine::CaptureResult result;
    result.items = std::move(items);
    result.fingerprint = "2:1280x800,1920x1080";
    return result;
}

// The store as the review asks it: "Deep Work" is found by any similar text.
std::optional<QString> lookup(const QString& text) {
    if (text.startsWith("deep", Qt::CaseInsensitive))
        return QStringLiteral("Deep Work");
    return std::nullopt;
}

QString id(const SetupItem& item) {
    return item.id.toString(QUuid::WithoutBraces);
}

} // namespace

TEST(CapturePreviewModelTest, untickingDecidesWhatIsKeptShownAndWarnedAbout) {
    const SetupItem a = window("Terminal");
    const SetupItem b = window("Text Editor");
    const SetupItem c = window("Files", false);
    auto result = capture({a, b, c});
    result.overlapPairs = {{a.id, b.id}};
    CapturePreviewModel model(result, "work", lookup);

    EXPECT_EQ(model.summary(),
              "3 windows, exactly as arranged, for your 2 displays. Untick anything you don't want saved.");
    EXPECT_EQ(model.keptText(), "3 of 3 kept");
    EXPECT_TRUE(model.showOverlap());
    EXPECT_TRUE(model.canSave());

    model.setIncluded(id(b), false);
    EXPECT_FALSE(model.showOverlap());
    EXPECT_EQ(model.keptText(), "2 of 3 kept");
    model.setIncluded(id(b), true);
    EXPECT_TRUE(model.showOverlap());

    model.setIncluded(id(a), false);
    model.setIncluded(id(b), false);
    EXPECT_FALSE(model.showThumbnail()); // only the unplaced one is left
    model.setIncluded(id(c), false);
    EXPECT_EQ(model.keptText(), "0 of 3 kept");
    EXPECT_FALSE(model.canSave());
    EXPECT_EQ(model.rows().size(), 3);
    EXPECT_FALSE(model.rows()[0].toMap().value("included").toBool());
}

TEST(CapturePreviewModelTest, aNameThatNormalisesToAStoredOneUpdatesIt) {
    CapturePreviewModel model(capture({window("Terminal")}), "", lookup);
    EXPECT_EQ(model.summary(),
              "1 window, exactly as arranged, for your 2 displays. Untick anything you don't want saved.");
    EXPECT_FALSE(model.canSave());
    model.setName(" \t ");
    EXPECT_EQ(model.chip(), "");
    EXPECT_FALSE(model.canSave());

    model.setName("  DEEP  work! ");
    EXPECT_EQ(model.replacing(), "Deep Work");
    EXPECT_EQ(model.replacingLine(), "updates your existing “Deep Work”");
    EXPECT_EQ(model.chip(), "");
    EXPECT_EQ(model.primaryText(), "Update Setup");

    model.setName("Deep Wok");
    EXPECT_EQ(model.replacing(), std::nullopt);
    EXPECT_EQ(model.chip(), "deep wok");
    EXPECT_EQ(model.primaryText(), "Save Setup");
}

TEST(CapturePreviewModelTest, saveHandsOnTheTrimmedNameAndTheTickedItems) {
    const SetupItem a = window("Terminal");
    const SetupItem b = page("https://news.example.org");
    CapturePreviewModel model(capture({a, b}), " Reading\t", lookup);
    model.setIncluded(id(a), false);
    model.setCloseOthers(true);
    QSignalSpy saved(&model, &CapturePreviewModel::saveRequested);
    model.save();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved[0][0].toString(), "Reading");
    EXPECT_EQ(saved[0][2].toString(), "2:1280x800,1920x1080");
    EXPECT_TRUE(saved[0][3].toBool());

    // A page without a title shows its browser as title and its address below.
    const QVariantMap row = model.rows()[1].toMap();
    EXPECT_EQ(row.value("title").toString(), "Firefox ESR");
    EXPECT_EQ(row.value("subtitle").toString(), "https://news.example.org");
    EXPECT_EQ(row.value("browserLine").toString(), "opens in Firefox ESR");
    EXPECT_EQ(CapturePreviewModel::trimmedName("\u00a0a\nb "), "a\nb");
}

TEST(CapturePreviewModelTest, anEmptyCaptureSaysSoAndCannotBeSaved) {
    auto result = capture({});
    result.fingerprint = "";
    result.notes = {"Firefox's pages couldn't be read."};
    CapturePreviewModel model(result, "anything", lookup);
    EXPECT_EQ(model.summary(), "No windows are open right now — arrange your world first, then capture.");
    EXPECT_EQ(model.keptText(), "0 of 0 kept");
    EXPECT_FALSE(model.canSave());
    EXPECT_EQ(model.notes().size(), 1);
}

// The stored names change behind an open review: a save elsewhere, a capture by
// voice, another program writing the file.
TEST(CapturePreviewModelTest, theLineFollowsTheStoreAndAPressThatWouldUpdateAnotherShowsItFirst) {
    QStringList stored;
    const auto storedName = [&](const QString& text) -> std::optional<QString> {
        for (const QString& name : stored)
            if (name.compare(text, Qt::CaseInsensitive) == 0)
                return name;
        return std::nullopt;
    };
    test::FakeClock clock;
    CapturePreviewModel model(capture({window("Terminal")}), "Evening", storedName, nullptr, clock);
    QSignalSpy changed(&model, &CapturePreviewModel::changed);
    QSignalSpy saved(&model, &CapturePreviewModel::saveRequested);
    EXPECT_EQ(model.primaryText(), "Save Setup");
    EXPECT_EQ(model.chip(), "evening");

    stored = {"Evening"};
    model.storeChanged();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.replacingLine(), "updates your existing “Evening”");
    EXPECT_EQ(model.primaryText(), "Update Setup");
    EXPECT_EQ(model.chip(), "");
    stored.clear();
    model.storeChanged();
    EXPECT_EQ(model.primaryText(), "Save Setup");

    // Stored while nothing told the review yet: the press shows it and hands nothing on.
    stored = {"Evening"};
    model.save();
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(model.primaryText(), "Update Setup");
    clock.advance(CapturePreviewModel::settleSeconds);
    model.save();
    ASSERT_EQ(saved.count(), 1) << "the line was read: this press updates";
    EXPECT_EQ(saved[0][0].toString(), "Evening");

    // The same the other way: what the line said it updates has gone.
    stored.clear();
    model.save();
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(model.primaryText(), "Save Setup");
}
