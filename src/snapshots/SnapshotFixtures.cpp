#include "snapshots/SnapshotFixtures.h"

#include <cmath>

namespace brisklet::SnapshotFixtures {

namespace {

const QString browserID = QStringLiteral("firefox-esr");
const QString browserName = QStringLiteral("Firefox");

SetupItem page(const QString& url, const SetupFrame& frame) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.kind = SetupItemKind::url;
    item.bundleID = browserID;
    item.appName = browserName;
    item.url = url;
    item.frame = frame;
    return item;
}

SetupItem app(const QString& id, const QString& name, const QString& title, std::optional<SetupFrame> frame) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.kind = SetupItemKind::app;
    item.bundleID = id;
    item.appName = name;
    item.title = title;
    item.frame = frame;
    return item;
}

Setup blank(const QString& name, const QDateTime& now) {
    Setup setup = Setup::fresh({}, now);
    setup.name = name;
    return setup;
}

SetupItem placed(const QString& id, const QString& name, const SetupFrame& frame) {
    return app(id, name, {}, frame);
}

const QString terminalID = QStringLiteral("org.gnome.Terminal");
const QString notesID = QStringLiteral("org.gnome.Notes");
const QString playerID = QStringLiteral("org.gnome.Rhythmbox3");

} // namespace

platform::AppEntry demoBrowser() {
    return {browserID, browserName, {}};
}

CommandEntry demoCommand() {
    CommandEntry entry;
    entry.id = QStringLiteral("custom-fixture1");
    entry.phrases = {QStringLiteral("standup")};
    entry.action = QStringLiteral("openApp");
    entry.params = {{QStringLiteral("name"), browserName}};
    return entry;
}

std::vector<Setup> demoSetups(const QString& fingerprint, const QDateTime& now) {
    const QString notes = QStringLiteral("org.gnome.Notes");
    constexpr double twoThirds = 2.0 / 3.0;
    constexpr double oneThird = 1.0 / 3.0;

    Setup deepWork = blank(QStringLiteral("deep work"), now);
    deepWork.phrases = {QStringLiteral("grind time")};
    deepWork.items = {
        page(QStringLiteral("https://example.com/pulls"), {0, 0, 0.5, 1.0, 0}),
        app(notes, QStringLiteral("Notes"), QStringLiteral("Sprint notes"), SetupFrame{0.5, 0, 0.5, 1.0, 0}),
        app(QStringLiteral("org.gnome.Rhythmbox3"), QStringLiteral("Rhythmbox"), {}, std::nullopt)};
    deepWork.system.volume = 25;
    deepWork.system.music = SetupSystemState::Music::play;
    deepWork.fingerprint = fingerprint;
    deepWork.lastRunAt = now.addSecs(-7200);

    Setup writing = blank(QStringLiteral("writing"), now);
    writing.items = {page(QStringLiteral("https://example.com/docs/draft"), {0, 0, twoThirds, 1.0, 0}),
                     app(notes, QStringLiteral("Notes"), {}, SetupFrame{twoThirds, 0, oneThird, 1.0, 0})};
    writing.system.appearance = SetupSystemState::Appearance::dark;
    writing.fingerprint = fingerprint;
    writing.lastRunAt = now.addSecs(-172800);

    Setup review = blank(QStringLiteral("monday review"), now);
    review.items = {app(QStringLiteral("org.gnome.Calendar"), QStringLiteral("Calendar"), {},
                        SetupFrame{0, 0, 0.5, 1.0, 0}),
                    app(QStringLiteral("thunderbird"), QStringLiteral("Thunderbird"), {},
                        SetupFrame{0.5, 0.5, 0.5, 0.5, 1}),
                    page(QStringLiteral("https://example.com/review"), {0.5, 0, 0.5, 0.5, 1})};
    review.fingerprint = QLatin1String(twoDisplayFingerprint);
    review.closeOthers = true;

    return {deepWork, writing, review};
}

SetupEngine::CaptureResult demoCapture(const QString& fingerprint, bool overlapping) {
    SetupItem pulls = page(QStringLiteral("https://example.com/pulls"), {0, 0, 0.5, 1.0, 0});
    pulls.title = QStringLiteral("Pull requests");
    SetupItem board = page(QStringLiteral("https://example.com/board"), {0.5, 0.5, 0.5, 0.5, 0});
    board.title = QStringLiteral("Linear");
    const SetupItem notes = app(QStringLiteral("org.gnome.Notes"), QStringLiteral("Notes"),
                                QStringLiteral("Sprint notes"), SetupFrame{0.5, 0, 0.5, 0.5, 0});
    const SetupItem terminal = app(QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"),
                                   QStringLiteral("zsh — brisklet"), SetupFrame{0.25, 0.1, 0.5, 0.6, 0});
    const SetupItem player =
        app(QStringLiteral("org.gnome.Rhythmbox3"), QStringLiteral("Rhythmbox"), {}, std::nullopt);

    SetupEngine::CaptureResult result;
    result.items = {pulls, board, notes, terminal, player};
    result.fingerprint = fingerprint;
    result.notes = {
        QStringLiteral("Chrome windows couldn't be read — Chrome was saved as an app without its pages.")};
    if (overlapping)
        result.overlapPairs = {{board.id, terminal.id}, {notes.id, terminal.id}};
    return result;
}

Setup blankSetup(const QDateTime& now) {
    return blank({}, now);
}

MagicProfile demoProfile(const QDateTime& now) {
    MagicProfile profile;
    profile.scannedAt = now.addSecs(-120);
    profile.apps = {{terminalID, QStringLiteral("Terminal"), 7289, now.addSecs(-3600), true, false},
                    {browserID, browserName, 2709, now.addSecs(-600), true, true},
                    {notesID, QStringLiteral("Notes"), 1287, now.addSecs(-86400), false, true},
                    {playerID, QStringLiteral("Rhythmbox"), 214, now.addSecs(-7200), false, false}};
    return profile;
}

std::vector<MagicProposal> demoProposals(const QDateTime& now) {
    const QString oftenUsed = QStringLiteral("opened 7,289× on this computer");
    MagicProposal code;
    code.title = QStringLiteral("Code");
    code.blurb = QStringLiteral("Editor and terminal, side by side.");
    code.score = 3.2;
    code.evidence = {{terminalID, oftenUsed},
                     {QStringLiteral("org.gnome.TextEditor"), QStringLiteral("on this computer")}};
    code.draft = blank(QStringLiteral("Code"), now);
    code.draft.items = {
        placed(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), {0, 0, 0.66, 1.0, 0}),
        placed(terminalID, QStringLiteral("Terminal"), {0.66, 0, 0.34, 1.0, 0})};

    MagicProposal everyday;
    everyday.title = QStringLiteral("Everyday");
    everyday.blurb = QStringLiteral("The 4 apps you live in, tiled corner to corner.");
    everyday.score = 2.9;
    everyday.evidence = {{terminalID, oftenUsed},
                         {browserID, QStringLiteral("open right now")},
                         {notesID, QStringLiteral("in your dock")},
                         {playerID, QStringLiteral("used this week")}};
    everyday.draft = blank(QStringLiteral("Everyday"), now);
    everyday.draft.items = {placed(terminalID, QStringLiteral("Terminal"), {0, 0.5, 0.5, 0.5, 0}),
                            placed(browserID, browserName, {0.5, 0.5, 0.5, 0.5, 0}),
                            placed(notesID, QStringLiteral("Notes"), {0, 0, 0.5, 0.5, 0}),
                            placed(playerID, QStringLiteral("Rhythmbox"), {0.5, 0, 0.5, 0.5, 0})};
    return {code, everyday};
}

MagicBuilt demoBuild(const QDateTime& now, bool unresolved) {
    MagicProposal writing;
    writing.title = QStringLiteral("Writing");
    writing.blurb = QStringLiteral("Your editor big on the left, the page you write from beside it.");
    writing.draft = blank(QStringLiteral("Writing"), now);
    writing.draft.items = {
        placed(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), {0, 0, 0.66, 1.0, 0}),
        page(QStringLiteral("https://en.wikipedia.org/wiki/Flow_(psychology)"), {0.66, 0, 0.34, 1.0, 0})};
    writing.draft.system.music = SetupSystemState::Music::play;
    writing.draft.system.musicPlayer = QStringLiteral("spotify");
    MagicBuilt built{writing, {}};
    if (unresolved)
        built.unresolved = {QStringLiteral("Scrivener")};
    return built;
}

QList<qreal> speakingBars() {
    QList<qreal> bars;
    for (int i = 0; i < 20; ++i)
        bars.append(std::abs(std::sin(i * 0.55)) * 0.75 + 0.15);
    return bars;
}

QList<PickEntry> pickRows() {
    return {{QStringLiteral("Deep Work"), QStringLiteral("hammer"), true, {}},
            {QStringLiteral("Writing"), QStringLiteral("pencil.and.outline"), false, {}},
            {QStringLiteral("Monday Review"), QStringLiteral("chart.bar"), false, {}}};
}

Counters warmCounters() {
    return {412, 38, 412 * 14 + 38 * 76};
}

} // namespace brisklet::SnapshotFixtures
