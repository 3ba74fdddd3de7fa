#include "snapshots/SnapshotRun.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "base/Prefs.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/ReservedPhrases.h"
#include "magic/MagicBackend.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "setups/SetupStore.h"
#include "snapshots/ShotViews.h"
#include "snapshots/SnapshotEnvironment.h"
#include "snapshots/SnapshotFixtures.h"
#include "snapshots/SteppedAnimationDriver.h"
#include "ui/design/BriskGeometry.h"
#include "ui/design/DesignSystem.h"
#include "ui/home/HomeWindowController.h"
#include "ui/magic/MagicPaneHost.h"
#include "ui/magic/MagicPaneModel.h"
#include "ui/onboarding/KeycapDemoModel.h"
#include "ui/onboarding/OnboardingController.h"
#include "ui/setups/SetupsPaneModel.h"
#include "windows/LayoutStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSaveFile>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace brisklet {

using namespace SnapshotCatalogue;

namespace {

// How long one picture may take before its shot counts as failed.
constexpr int grabTimeoutMs = 5000;

// The key demos loop on the clock, not on animation time: each stands at this
// moment of its pass, the key held (or tapped) and the user speaking.
constexpr double keycapDemoMoment = 1.0;

void holdKeycapDemos(QQuickItem* item) {
    for (KeycapDemoModel* demo : item->findChildren<KeycapDemoModel*>(Qt::FindDirectChildrenOnly))
        demo->holdAt(keycapDemoMoment);
    for (QQuickItem* child : item->childItems())
        holdKeycapDemos(child);
}

// "image://snapshot/status-running" and "…/status-paused": the tray's images.
class StatusImages final : public QQuickImageProvider {
public:
    StatusImages() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString& id, QSize* size, const QSize&) override {
        QImage image = BriskGeometry::statusImage(id == QLatin1String("status-paused"));
        if (size)
            *size = image.size();
        return image;
    }
};

// A builder route that is there and sends nothing: the builder's shots show a
// staged answer; asked anyway, it answers that Ask is off.
class QuietRoute final : public MagicBackend {
public:
    bool isAvailable() const override { return true; }
    void build(const QString&, std::function<void(const TextResult&)> completion) override {
        completion(TextResult::failure(AskError::disabled));
    }
};

// The screens the shots are drawn on, primary first.
std::vector<QRectF> screenFrames() {
    std::vector<QRectF> frames;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        frames.push_back(primary->geometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            frames.push_back(screen->geometry());
    return frames;
}

} // namespace

SnapshotRun::SnapshotRun(QString folder, Collaborators collaborators, std::vector<Shot> shots,
                         QObject* parent)
    : QObject(parent), folder_(QDir(folder).absolutePath()), collaborators_(std::move(collaborators)),
      catalogue_(std::move(shots)) {}

SnapshotRun::~SnapshotRun() {
    // The views first: they bind to their models and to the demo objects below.
    for (Built& built : built_) {
        delete built.root;
        delete built.window;
    }
    built_.clear();
    homes_.clear();
    magicHosts_.clear();
    builder_.reset();
    onboarding_.reset();
    magic_.clear();
    if (driver_)
        driver_->uninstall();
    delete driver_;
}

void SnapshotRun::start() {
    Prefs::registerDefaults();
    stage();
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui) {
        // Views need a graphical application; say so for every shot.
        for (const Shot& shot : catalogue_)
            built_.push_back({shot, nullptr, nullptr, QStringLiteral("no graphical application")});
        QTimer::singleShot(0, this, [this] { writeNext(0); });
        return;
    }
    // Every run sees the same animation frames and a steady text cursor.
    driver_ = new SteppedAnimationDriver();
    driver_->install();
    gui->styleHints()->setCursorFlashTime(0);
    engine_ = std::make_unique<QQmlEngine>();
    engine_->addImportPath(QStringLiteral("qrc:/"));
    engine_->addImageProvider(QStringLiteral("snapshot"), new StatusImages());
    prepareStage();
    for (const Shot& shot : catalogue_)
        buildShot(shot);
    QTimer::singleShot(warmUpDelayMs, this, &SnapshotRun::warmUp);
}

void SnapshotRun::stage() {
    now_ = QDateTime::currentDateTimeUtc();
    fingerprint_ = LayoutStore::fingerprint(screenFrames());
    registry_ = std::make_unique<CommandRegistry>();
    std::vector<CommandEntry> entries = CommandRegistry::defaults();
    entries.push_back(SnapshotFixtures::demoCommand());
    registry_->setEntries(std::move(entries));

    appIndex_ = std::make_unique<AppIndex>(collaborators_.installed, nullptr);
    appIndex_->refresh();
    appIndex_->waitForScans();

    prepareFixtures();

    usage_[Usage::cold] = new AppState(this);
    usage_[Usage::cold]->setCounters(0, 0, 0);
    const SnapshotFixtures::Counters warm = SnapshotFixtures::warmCounters();
    usage_[Usage::warm] = new AppState(this);
    usage_[Usage::warm]->setCounters(warm.commandsRun, warm.setupsRun, warm.secondsSaved);

    stageMagic();
    // Never shown: each onboarding shot draws the view over a model of its own.
    onboarding_ = std::make_unique<OnboardingController>(OnboardingController::Collaborators{});
}

// Two finished scans, published as they are: nothing is scanned here.
void SnapshotRun::stageMagic() {
    const MagicRecommender::Desktop desktop{SnapshotFixtures::demoBrowser().id, fingerprint_};
    for (const Magic kind : {Magic::demo, Magic::empty}) {
        auto& magic = magic_[kind];
        magic = std::make_unique<MagicController>(*appIndex_, *stores_.at(Store::empty),
                                                  MagicController::Sources{});
        if (kind == Magic::demo)
            magic->publish(SnapshotFixtures::demoProfile(now_), SnapshotFixtures::demoProposals(now_),
                           desktop);
        else
            magic->publish(MagicProfile{{}, now_}, {}, desktop);
    }
}

// A rerun starts from empty stores: the old files would add their setups again.
void SnapshotRun::prepareFixtures() {
    const QString fixtures = folder_ + QStringLiteral("/fixtures");
    if (!QDir().mkpath(fixtures))
        qCWarning(lcApp).noquote() << "snapshots: can't make the fixtures folder" << fixtures;
    const std::pair<Store, const char*> files[] = {{Store::empty, SnapshotFixtures::emptyFile},
                                                   {Store::one, SnapshotFixtures::oneFile},
                                                   {Store::many, SnapshotFixtures::manyFile}};
    for (const auto& [store, name] : files) {
        const QString path = fixtures + QLatin1Char('/') + QLatin1String(name);
        if (QFile::exists(path) && !QFile::remove(path))
            qCWarning(lcApp).noquote() << "snapshots: can't remove the old fixture" << path;
        stores_[store] = std::make_unique<SetupStore>(path);
    }
    const std::vector<Setup> setups = SnapshotFixtures::demoSetups(fingerprint_, now_);
    stores_[Store::one]->upsert(setups.front());
    for (const Setup& setup : setups)
        stores_[Store::many]->upsert(setup);
}

HomeWindowController* SnapshotRun::homeFor(Store store, Usage usage, Magic magic, Build build) {
    auto& home = homes_[{store, usage, magic, build}];
    if (!home) {
        home = std::make_unique<HomeWindowController>(*registry_, appIndex_.get(), *stores_.at(store),
                                                      *usage_.at(usage));
        home->levelProvider = [] { return SnapshotFixtures::microphoneLevel; };
        // The ideas that open pages need a default browser: the demo data's.
        home->setupsPane().setDefaultBrowser(SnapshotFixtures::demoBrowser());
        home->magic = magicHostFor(store, magic, build);
    }
    return home.get();
}

// No answers: the cards' buttons do nothing, and saving says no. The cards offer
// "Tune first…" and a host that shows a build the builder, as the app's own do.
MagicPaneHost* SnapshotRun::magicHostFor(Store store, Magic magic, Build build) {
    auto& host = magicHosts_[{store, magic, build}];
    if (host)
        return host.get();
    host = std::make_unique<MagicPaneHost>(*magic_.at(magic), *stores_.at(store));
    host->allowEdit = true;
    if (build == Build::none)
        return host.get();
    if (!builder_)
        builder_ =
            std::make_unique<MagicBuilder>(std::make_unique<QuietRoute>(), std::make_unique<QuietRoute>());
    host->builder = builder_.get();
    MagicPaneHost::StagedBuild staged{QString::fromLatin1(SnapshotFixtures::demoBuildDescription), {}, {}};
    if (build == Build::failed)
        staged.failure = MagicPaneModel::failureMessage(AskError::network);
    else
        staged.built = SnapshotFixtures::demoBuild(now_, build == Build::unresolved);
    host->stagedBuild = std::move(staged);
    return host.get();
}

// What every shot's view is made over.
void SnapshotRun::prepareStage() {
    stage_ = std::make_unique<ShotViews::Stage>();
    stage_->home = [this](Store store, Usage usage, Magic magic, Build build) {
        return homeFor(store, usage, magic, build);
    };
    stage_->onboarding = onboarding_.get();
    stage_->proposals = magic_.at(Magic::demo)->proposals();
    stage_->storedSetup = [this](const QString& name) -> std::optional<Setup> {
        for (const Setup& setup : stores_.at(Store::many)->setups())
            if (setup.name == name)
                return setup;
        return std::nullopt;
    };
    stage_->editorContext = [this] { return editorContext(); };
    stage_->fingerprint = fingerprint_;
    stage_->now = now_;
    stage_->backdrop = [](Backdrop backdrop, bool dark) -> QColor {
        const DSPalette* palette = DesignSystem::instance().palette(dark);
        switch (backdrop) {
        case Backdrop::cream:
            return palette->canvas;
        case Backdrop::window:
            return palette->windowBackground;
        case Backdrop::clear:
            break;
        }
        return Qt::transparent;
    };
}

SetupEditorModel::Context SnapshotRun::editorContext() const {
    SetupEditorModel::Context context;
    context.apps = appIndex_->apps();
    // New pages open in the demo browser, which the picker lists even where it
    // isn't installed.
    const platform::AppEntry browser = SnapshotFixtures::demoBrowser();
    context.defaultBrowser = browser.id;
    if (std::none_of(context.apps.begin(), context.apps.end(),
                     [&](const IndexedApp& app) { return app.bundleID == browser.id; }))
        context.apps.push_back(IndexedApp::make(browser.name, browser.path, browser.id));
    context.reserved = ReservedPhrases::of(*registry_);
    SetupStore* store = stores_.at(Store::many).get();
    context.stored = [store] { return store->snapshot(); };
    context.screens = screenFrames();
    context.home = QDir::homePath();
    return context;
}

void SnapshotRun::buildShot(const Shot& shot) {
    auto* window = new QQuickWindow();
    QSurfaceFormat format = window->format();
    format.setAlphaBufferSize(8);
    window->setFormat(format);
    window->setColor(Qt::transparent);
    window->setFlags(SnapshotEnvironment::liveMode()
                         ? Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnBottomHint
                         : Qt::FramelessWindowHint);
    window->resize(shot.size);
    window->setTitle(shot.name);
    DesignSystem::forceAppearance(window, shot.dark);

    Built built{shot, window, nullptr, {}};
    built.root = ShotViews::build(shot, *stage_, *engine_, *window, &built.error);
    // Qt Quick renders only shown windows; offscreen, showing shows nothing.
    if (!SnapshotEnvironment::liveMode())
        window->show();
    built_.push_back(std::move(built));
}

void SnapshotRun::warmUp() {
    for (const Built& built : built_) {
        if (!built.root)
            continue;
        holdKeycapDemos(built.window->contentItem());
        built.window->update();
    }
    driver_->step(warmUpDelayMs);
    QTimer::singleShot(writeDelayMs, this, [this] {
        driver_->step(writeDelayMs);
        writeNext(0);
    });
}

void SnapshotRun::writeNext(std::size_t index) {
    if (index >= built_.size()) {
        finish();
        return;
    }
    if (!built_[index].root) {
        fail(index, QStringLiteral("no view (%1)").arg(built_[index].error));
        writeNext(index + 1);
        return;
    }
    if (SnapshotEnvironment::liveMode())
        grabLive(index);
    else
        grabOffscreen(index);
}

// The window's content item, with the popups' overlay, not the window: offscreen,
// the window's own grab comes back opaque.
void SnapshotRun::grabOffscreen(std::size_t index) {
    const int generation = ++generation_;
    pendingGrab_ = built_[index].window->contentItem()->grabToImage();
    if (!pendingGrab_) {
        fail(index, QStringLiteral("no image"));
        writeNext(index + 1);
        return;
    }
    connect(pendingGrab_.data(), &QQuickItemGrabResult::ready, this, [this, index, generation] {
        if (generation != generation_)
            return;
        ++generation_;
        save(index, pendingGrab_->image());
        writeNext(index + 1);
    });
    QTimer::singleShot(grabTimeoutMs, this, [this, index, generation] {
        if (generation != generation_)
            return;
        ++generation_;
        fail(index, QStringLiteral("no image"));
        writeNext(index + 1);
    });
}

// X keeps no contents for covered windows: each is shown on its own, grabbed once
// it has drawn a frame, and taken away again.
void SnapshotRun::grabLive(std::size_t index) {
    const int generation = ++generation_;
    QQuickWindow* window = built_[index].window;
    const auto capture = [this, index, generation, window] {
        if (generation != generation_)
            return;
        ++generation_;
        const QImage image = window->grabWindow();
        window->hide();
        if (image.isNull())
            fail(index, QStringLiteral("no live image"));
        else
            save(index, image);
        writeNext(index + 1);
    };
    // Queued: a grab inside the frame's own signal would render within a render.
    connect(window, &QQuickWindow::frameSwapped, this, capture,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    QTimer::singleShot(grabTimeoutMs, this, [this, index, generation, window] {
        if (generation != generation_)
            return;
        ++generation_;
        window->hide();
        fail(index, QStringLiteral("no live image"));
        writeNext(index + 1);
    });
    window->show();
    window->update();
}

void SnapshotRun::save(std::size_t index, const QImage& image) {
    if (image.isNull()) {
        fail(index, QStringLiteral("no image"));
        return;
    }
    const QString path = folder_ + QLatin1Char('/') + built_[index].shot.name + QStringLiteral(".png");
    // Written whole or not at all: an old picture of that name is replaced only by a complete one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(index, QStringLiteral("can't write %1: %2").arg(path, file.errorString()));
        return;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        fail(index, QStringLiteral("can't encode the picture: %1").arg(writer.errorString()));
        return;
    }
    if (!file.commit()) {
        fail(index, QStringLiteral("can't write %1: %2").arg(path, file.errorString()));
        return;
    }
    ++written_;
}

void SnapshotRun::fail(std::size_t index, const QString& reason) {
    const QString line = QStringLiteral("snapshot %1: %2").arg(built_[index].shot.name, reason);
    failures_.append(line);
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

void SnapshotRun::finish() {
    std::printf("SNAPSHOTS WRITTEN: %d -> %s\n", written_, qPrintable(folder_));
    std::fflush(stdout);
    std::fflush(stderr);
    emit finished(failures_.isEmpty() && written_ == int(built_.size()) ? 0 : 1);
}

} // namespace brisklet
