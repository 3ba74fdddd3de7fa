// The windows runs opened and the browsers' start windows, kept on disk so that a
// restart of Brisklet goes on with them: pages are placed again rather than opened
// twice, captures still know them and ending a setup still closes them.
#include "setups/SetupEngine.h"

#include "base/JsonFile.h"
#include "base/Log.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <optional>

namespace brisklet {

namespace {

QJsonObject encodeLedger(const SetupEngine::Ledger& ledger, bool withPages) {
    QJsonObject browsers;
    for (const auto& [browser, windows] : ledger) {
        QJsonArray list;
        for (const auto& w : windows) {
            QJsonObject o{{QStringLiteral("window"), static_cast<double>(w.windowID)},
                          {QStringLiteral("pid"), static_cast<double>(w.pid)}};
            if (withPages) {
                o[QStringLiteral("page")] = w.prefix;
                o[QStringLiteral("guessed")] = w.guessed;
            }
            list.append(o);
        }
        browsers[browser] = list;
    }
    return browsers;
}

// Window ids and process ids are both 32-bit numbers on the desktop. Anything else
// in a hand-edited file (a fraction, a sign, a number past 64 bits) is no window of
// ours; a pid absent or 0 is one not known.
std::optional<quint32> whole32(const QJsonObject& o, const QString& key) {
    const double value = o.value(key).toDouble();
    if (std::trunc(value) != value || value < 0 || value > 0xFFFFFFFF)
        return std::nullopt;
    return static_cast<quint32>(value);
}

SetupEngine::Ledger decodeLedger(const QJsonObject& browsers) {
    SetupEngine::Ledger ledger;
    for (auto it = browsers.begin(); it != browsers.end(); ++it)
        for (const auto& value : it.value().toArray()) {
            const QJsonObject o = value.toObject();
            const auto window = whole32(o, QStringLiteral("window"));
            const auto pid = whole32(o, QStringLiteral("pid"));
            if (!window || *window == 0 || !pid)
                continue;
            ledger[it.key()].push_back({*window, o.value(QStringLiteral("page")).toString(), *pid,
                                        o.value(QStringLiteral("guessed")).toBool()});
        }
    return ledger;
}

} // namespace

QString SetupEngine::keptWindowsPath() const {
    return QFileInfo(store_.filePath()).absolutePath() + QStringLiteral("/setup-windows.json");
}

void SetupEngine::loadKeptWindows() {
    const auto read = JsonFile::read(keptWindowsPath());
    if (read.status == JsonFile::ReadStatus::missing)
        return;
    if (read.status != JsonFile::ReadStatus::ok) {
        qCWarning(lcWindows).noquote() << "couldn't read the windows of earlier runs:" << read.error;
        return;
    }
    const QJsonObject setups = read.document.object();
    std::lock_guard lock(ledgerMutex_);
    for (auto it = setups.begin(); it != setups.end(); ++it) {
        const QUuid id = QUuid::fromString(it.key());
        if (id.isNull())
            continue;
        const QJsonObject entry = it.value().toObject();
        if (auto pages = decodeLedger(entry.value(QStringLiteral("pages")).toObject()); !pages.empty())
            windowLedger_[id] = std::move(pages);
        if (auto started = decodeLedger(entry.value(QStringLiteral("started")).toObject()); !started.empty())
            startWindows_[id] = std::move(started);
    }
}

// What was read at launch is checked against the desktop once, off the main thread,
// before anything uses it: only windows still held by their recorded process stay.
void SetupEngine::checkKeptWindows() {
    std::call_once(keptChecked_, [this] {
        std::map<QUuid, Ledger> pages, started;
        {
            std::lock_guard lock(ledgerMutex_);
            pages = windowLedger_;
            started = startWindows_;
        }
        if (pages.empty() && started.empty())
            return;
        bool dropped = false;
        for (std::map<QUuid, Ledger>* kept : {&pages, &started})
            for (auto setup = kept->begin(); setup != kept->end();) {
                dropped = dropGone(setup->second) || dropped;
                setup = setup->second.empty() ? kept->erase(setup) : std::next(setup);
            }
        for (const auto& [id, ledger] : pages)
            for (const auto& [browser, windows] : ledger)
                for (const auto& w : windows)
                    if (!w.guessed)
                        BrowserScripting::adoptOpened(w.windowID);
        {
            std::lock_guard lock(ledgerMutex_);
            windowLedger_ = std::move(pages);
            startWindows_ = std::move(started);
        }
        if (dropped)
            saveKeptWindows();
    });
}

void SetupEngine::saveKeptWindows() {
    QJsonObject setups;
    {
        std::lock_guard lock(ledgerMutex_);
        for (const auto& [id, ledger] : windowLedger_)
            setups[id.toString(QUuid::WithoutBraces).toUpper()] =
                QJsonObject{{QStringLiteral("pages"), encodeLedger(ledger, true)}};
        for (const auto& [id, ledger] : startWindows_) {
            const QString key = id.toString(QUuid::WithoutBraces).toUpper();
            QJsonObject entry = setups.value(key).toObject();
            entry[QStringLiteral("started")] = encodeLedger(ledger, false);
            setups[key] = entry;
        }
    }
    const auto written = JsonFile::write(keptWindowsPath(), QJsonDocument(setups));
    if (!written.ok)
        qCWarning(lcWindows).noquote()
            << "couldn't keep the windows of runs in" << keptWindowsPath() << ":" << written.error;
}

} // namespace brisklet
