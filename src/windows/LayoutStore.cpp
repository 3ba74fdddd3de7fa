#include "windows/LayoutStore.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "commands/Levenshtein.h"
#include "windows/DisplayArrangement.h"
#include "windows/WindowGeometry.h"
#include "windows/WindowMatching.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>

namespace brisklet {

const QString LayoutStore::corruptBackupName = QStringLiteral("layouts-corrupt-backup.json");

namespace {

std::optional<double> number(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

std::optional<QString> text(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

} // namespace

QJsonObject LayoutWindow::toJson() const {
    return {{"bundleID", bundleID},        {"title", title}, {"rx", rx}, {"ry", ry}, {"rw", rw}, {"rh", rh},
            {"displayIndex", displayIndex}};
}

std::optional<LayoutWindow> LayoutWindow::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto bundleID = text(o, "bundleID");
    const auto title = text(o, "title");
    const auto rx = number(o, "rx"), ry = number(o, "ry"), rw = number(o, "rw"), rh = number(o, "rh");
    const auto index = number(o, "displayIndex");
    if (!bundleID || !title || !rx || !ry || !rw || !rh || !index)
        return std::nullopt;
    // The index must be a whole number that fits.
    if (std::trunc(*index) != *index || std::abs(*index) > 1e9)
        return std::nullopt;
    return LayoutWindow{*bundleID, *title, *rx, *ry, *rw, *rh, static_cast<int>(*index)};
}

QJsonObject SavedLayout::toJson() const {
    QJsonArray list;
    for (const auto& w : windows)
        list.append(w.toJson());
    return {{"name", name},
            {"fingerprint", fingerprint},
            {"windows", list},
            {"savedAt", JsonFile::isoDate(savedAt)}};
}

std::optional<SavedLayout> SavedLayout::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto name = text(o, "name");
    const auto fingerprint = text(o, "fingerprint");
    const auto savedAtText = text(o, "savedAt");
    const QJsonValue list = o.value(QLatin1String("windows"));
    if (!name || !fingerprint || !savedAtText || !list.isArray())
        return std::nullopt;
    const auto savedAt = JsonFile::parseIsoDate(*savedAtText);
    if (!savedAt)
        return std::nullopt;
    SavedLayout layout{*name, *fingerprint, {}, *savedAt};
    for (const QJsonValue& item : list.toArray()) {
        auto window = LayoutWindow::fromJson(item);
        if (!window)
            return std::nullopt;
        layout.windows.push_back(std::move(*window));
    }
    return layout;
}

LayoutStore::LayoutStore(WindowEngine& engine, Clock& clock) : engine_(engine), clock_(clock) {
    load();
    refreshNames();
}

void LayoutStore::load() {
    const QString path = Paths::layoutsJSON();
    const auto read = file_.read(path);
    switch (read.status) {
    case JsonFile::ReadStatus::missing:
        return;
    case JsonFile::ReadStatus::unreadable:
        qCCritical(lcWindows).noquote() << "couldn't read" << path << "—" << read.error
                                        << "— saved layouts are unavailable and the file is left as it is";
        return;
    case JsonFile::ReadStatus::undecodable:
        qCCritical(lcWindows).noquote()
            << "couldn't decode" << path << "—" << read.error << "— it will be kept as" << corruptBackupName
            << "before the next save";
        return;
    case JsonFile::ReadStatus::ok:
        break;
    }
    if (!read.document.isObject()) {
        file_.markUndecodable();
        qCCritical(lcWindows).noquote() << path << "doesn't hold an object of layouts — it will be kept as"
                                        << corruptBackupName << "before the next save";
        return;
    }
    std::map<QString, SavedLayout> loaded;
    const QJsonObject root = read.document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        auto layout = SavedLayout::fromJson(it.value());
        if (!layout) {
            file_.markUndecodable();
            qCCritical(lcWindows).noquote()
                << "layout" << it.key() << "in" << path << "doesn't decode — the file will be kept as"
                << corruptBackupName << "before the next save";
            return;
        }
        loaded.emplace(it.key(), std::move(*layout));
    }
    layouts_ = std::move(loaded);
}

void LayoutStore::refreshNames() {
    std::vector<QString> names;
    for (const auto& [key, layout] : layouts_)
        names.push_back(layout.name);
    std::lock_guard lock(namesLock_);
    cachedNames_ = std::move(names);
}

std::vector<QString> LayoutStore::cachedNames() const {
    std::lock_guard lock(namesLock_);
    return cachedNames_;
}

QString LayoutStore::fingerprint(const std::vector<QRectF>& screenFrames) {
    QStringList sizes;
    for (const QRectF& frame : screenFrames)
        sizes.append(QString::number(static_cast<long long>(std::trunc(frame.width()))) + QLatin1Char('x') +
                     QString::number(static_cast<long long>(std::trunc(frame.height()))));
    return QString::number(screenFrames.size()) + QLatin1Char(':') + sizes.join(QLatin1Char(','));
}

namespace {
std::vector<QRectF> framesOf(const std::vector<Screen>& screens) {
    std::vector<QRectF> frames;
    for (const auto& s : screens)
        frames.push_back(s.frame);
    return frames;
}
} // namespace

QString LayoutStore::fingerprint() {
    return fingerprint(framesOf(engine_.screens()));
}

LayoutStore::SnapshotResult LayoutStore::snapshot(const QString& name) {
    if (Text::normalize(name).isEmpty())
        return {};
    const std::vector<Screen> screens = engine_.screens();
    const double height = WindowGeometry::primaryHeight(screens);
    std::vector<LayoutWindow> collected;
    for (const WindowRef& w : engine_.visibleWindows()) {
        if (!w.bundleID || w.bundleID->isEmpty())
            continue;
        const auto display = WindowGeometry::screen(w.axFrame, screens);
        if (!display)
            continue;
        const auto index = std::find_if(screens.begin(), screens.end(),
                                        [&](const Screen& s) { return s.displayID == display->displayID; });
        if (index == screens.end())
            continue;
        LayoutWindow saved{*w.bundleID, w.title, 0, 0, 0, 0, static_cast<int>(index - screens.begin())};
        if (!setRelativeFrame(saved, WindowGeometry::flip(w.axFrame, height), display->visibleFrame))
            continue;
        collected.push_back(std::move(saved));
    }
    if (collected.empty())
        return {};
    const int count = static_cast<int>(collected.size());
    const auto written =
        store({name, fingerprint(framesOf(screens)), std::move(collected), clock_.wallNow()});
    if (written.ok)
        qCInfo(lcWindows).noquote() << QStringLiteral("layout “%1” saved (%2 windows)").arg(name).arg(count);
    return {count, written.ok};
}

LayoutStore::ApplyResult LayoutStore::apply(const QString& name) {
    const auto layout = lookup(name);
    if (!layout)
        return {};
    const std::vector<Screen> screens = engine_.screens();
    const bool differs = layout->fingerprint != fingerprint(framesOf(screens));
    std::vector<QRectF> visibleFrames;
    for (const auto& s : screens)
        visibleFrames.push_back(s.visibleFrame);
    const double height = WindowGeometry::primaryHeight(screens);

    // Apps in ID order, so cascade slots come out the same on every run.
    std::map<QString, std::vector<const LayoutWindow*>> groups;
    for (const auto& w : layout->windows)
        groups[w.bundleID].push_back(&w);

    int cascadeSlot = 1;
    int placed = 0;
    for (const auto& [bundleID, savedWindows] : groups) {
        const std::vector<WindowRef> live = engine_.windowsEnsuringLaunch(bundleID);
        std::vector<WindowMatching::LiveWindow> liveWindows;
        for (const auto& w : live)
            liveWindows.push_back({w.title, w.axFrame});
        std::vector<QString> titles;
        for (const auto* slot : savedWindows)
            titles.push_back(slot->title);
        for (const auto& pair : WindowMatching::pair(liveWindows, titles)) {
            const auto target = placement(*savedWindows[pair.slot], visibleFrames, cascadeSlot);
            if (!target)
                continue;
            if (engine_.setAXFrameFitted(live[pair.win].element, WindowGeometry::flip(*target, height)))
                ++placed;
        }
    }
    const int total = static_cast<int>(layout->windows.size());
    qCInfo(lcWindows).noquote() << QStringLiteral("layout “%1” applied: %2/%3%4")
                                       .arg(layout->name)
                                       .arg(placed)
                                       .arg(total)
                                       .arg(differs ? QStringLiteral(" (arrangement differs from capture)")
                                                    : QString());
    return {true, placed, total, differs};
}

std::optional<SavedLayout> LayoutStore::lookup(const QString& name) const {
    const QString key = Text::normalize(name);
    if (auto it = layouts_.find(key); it != layouts_.end())
        return it->second;
    const SavedLayout* best = nullptr;
    double bestScore = 0;
    for (const auto& [storedKey, layout] : layouts_) {
        const double score = Levenshtein::similarity(key, storedKey);
        if (score > bestScore) {
            best = &layout;
            bestScore = score;
        }
    }
    if (best && bestScore >= lookupThreshold)
        return *best;
    return std::nullopt;
}

JsonFile::WriteResult LayoutStore::save() {
    const QString path = Paths::layoutsJSON();
    QJsonObject root;
    for (const auto& [key, layout] : layouts_)
        root.insert(key, layout.toJson());
    Paths::ensure();
    auto result = file_.write(path, QJsonDocument(root));
    if (!result.ok)
        qCCritical(lcWindows).noquote() << "couldn't save" << path << "—" << result.error;
    else if (file_.keptAs())
        qCInfo(lcWindows).noquote() << "kept the undecodable" << path << "as" << *file_.keptAs();
    return result;
}

JsonFile::WriteResult LayoutStore::store(SavedLayout layout) {
    const QString key = Text::normalize(layout.name);
    layout.savedAt = QDateTime::fromSecsSinceEpoch(layout.savedAt.toSecsSinceEpoch(), Qt::UTC);
    std::optional<SavedLayout> before;
    if (const auto it = layouts_.find(key); it != layouts_.end())
        before = it->second;
    layouts_.insert_or_assign(key, std::move(layout));
    auto result = save();
    // What the file doesn't hold is taken back: the next start would lack it.
    if (!result.ok) {
        if (before)
            layouts_.insert_or_assign(key, std::move(*before));
        else
            layouts_.erase(key);
    }
    refreshNames();
    return result;
}

std::optional<QRectF> LayoutStore::placement(const LayoutWindow& window,
                                             const std::vector<QRectF>& visibleFrames, int& cascadeSlot) {
    if (visibleFrames.empty())
        return std::nullopt;
    const bool onItsDisplay =
        window.displayIndex >= 0 && window.displayIndex < static_cast<int>(visibleFrames.size());
    const QRectF& v = visibleFrames[onItsDisplay ? window.displayIndex : 0];
    const QRectF rect(v.x() + window.rx * v.width(), v.y() + window.ry * v.height(), window.rw * v.width(),
                      window.rh * v.height());
    if (onItsDisplay)
        return rect;
    return DisplayArrangement::cascaded(rect, cascadeSlot++, v);
}

bool LayoutStore::setRelativeFrame(LayoutWindow& window, const QRectF& frame, const QRectF& visibleFrame) {
    if (!(visibleFrame.width() > 0) || !(visibleFrame.height() > 0))
        return false;
    window.rx = (frame.x() - visibleFrame.x()) / visibleFrame.width();
    window.ry = (frame.y() - visibleFrame.y()) / visibleFrame.height();
    window.rw = frame.width() / visibleFrame.width();
    window.rh = frame.height() / visibleFrame.height();
    return true;
}

} // namespace brisklet
