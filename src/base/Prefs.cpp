#include "base/Prefs.h"

#include "base/Log.h"
#include "base/Termination.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

namespace brisklet::Prefs {

namespace {

// Settings whose write after a change, which Qt makes on a later turn of the event
// loop, goes through `write`: under the store's lock, with its failure logged.
class Settings final : public QSettings {
public:
    Settings(const QString& path, std::function<void()> write)
        : QSettings(path, QSettings::IniFormat), write_(std::move(write)) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest)
            return QSettings::event(event);
        write_();
        return true;
    }

private:
    std::function<void()> write_;
};

struct Store {
    std::mutex mutex;
    // Stands in for a settings file that must not be opened; outlives the settings.
    std::unique_ptr<QTemporaryDir> standIn;
    std::unique_ptr<QSettings> settings;
    QVariantMap defaults;
    // The last write failed; the failure has been logged.
    bool failing = false;

    // Caller holds the mutex. Tells the watchers, later, that `failing` changed.
    void setFailing(bool now) {
        if (failing == now)
            return;
        failing = now;
        QMetaObject::invokeMethod(&writeState(), &WriteState::changed, Qt::QueuedConnection);
    }

    // Caller holds the mutex.
    QSettings& open();

    // Caller holds the mutex. Writes the changes and picks up other processes'; a write
    // that fails is logged as it starts failing, not again at each write after it.
    void sync() {
        if (!settings || !writeFails() || failing)
            return;
        setFailing(true);
        qCCritical(lcApp).noquote()
            << QStringLiteral(
                   "the settings could not be written to %1; changes are kept for this session only")
                   .arg(settings->fileName());
    }

    // Caller holds the mutex. What is left unwritten at quit is lost.
    void syncAtQuit() {
        if (!settings || !writeFails())
            return;
        qCCritical(lcApp).noquote()
            << QStringLiteral("the settings could not be written to %1 at quit; this session's changes "
                              "to them are lost")
                   .arg(settings->fileName());
    }

private:
    // Writes; whether the write did not reach the disk, whatever stopped it: a full
    // disk or a folder that takes no new file leave the file itself writable.
    bool writeFails() {
        settings->sync();
        if (settings->status() == QSettings::NoError) {
            setFailing(false);
            return false;
        }
        // The settings keep their first error for good, so this write is judged by a
        // fresh reader of the file: a process's readers of one file share its unwritten
        // changes, so its sync writes them again and tells how that went.
        QSettings probe(settings->fileName(), QSettings::IniFormat);
        probe.sync();
        const bool failed = probe.status() == QSettings::AccessError;
        if (!failed)
            setFailing(false);
        return failed;
    }
};

Store& store() {
    static Store s;
    return s;
}

QSettings& Store::open() {
    if (settings)
        return *settings;
    QString path = settingsPath();
    const QFileInfo info(path);
    // A pipe or a device in the file's place would block the launch or feed it
    // without end: it is not opened, and this run's settings live in a stand-in.
    if (info.exists() && !info.isFile()) {
        standIn = std::make_unique<QTemporaryDir>();
        qCCritical(lcApp).noquote()
            << QStringLiteral("the settings file %1 is not a regular file, so it is not opened; settings "
                              "are kept for this session only")
                   .arg(path);
        path = standIn->filePath(QStringLiteral("Brisklet.conf"));
    }
    settings = std::make_unique<Settings>(path, [] {
        auto& s = store();
        std::lock_guard lock(s.mutex);
        s.sync();
    });
    // Its writes come on the event loop of the thread it lives in: the main one, whatever
    // thread read a setting first.
    if (auto* app = QCoreApplication::instance())
        settings->moveToThread(app->thread());
    // Changes still unwritten at quit are written then, or their loss is logged.
    static std::once_flag atQuit;
    std::call_once(atQuit, [] {
        Termination::addHook([] {
            auto& s = store();
            std::lock_guard lock(s.mutex);
            s.syncAtQuit();
        });
    });
    return *settings;
}

QVariant lookup(const QString& key) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    auto& settings = s.open();
    if (settings.contains(key))
        return settings.value(key);
    return s.defaults.value(key);
}

} // namespace

QString settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brisklet/Brisklet.conf");
}

QVariant value(const QString& key) {
    return lookup(key);
}

bool contains(const QString& key) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    return s.open().contains(key);
}

// The file stores text, so each read converts to the type the caller asks for.
bool boolValue(const QString& key) {
    return lookup(key).toBool();
}
int intValue(const QString& key) {
    return lookup(key).toInt();
}
double doubleValue(const QString& key) {
    return lookup(key).toDouble();
}
QString stringValue(const QString& key) {
    const QVariant v = lookup(key);
    return v.isValid() ? v.toString() : QString();
}
QStringList stringListValue(const QString& key) {
    const QVariant v = lookup(key);
    if (!v.isValid())
        return {};
    // A one-element list comes back from the file as a plain string.
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString();
        return text.isEmpty() ? QStringList{} : QStringList{text};
    }
    return v.toStringList();
}

void setValue(const QString& key, const QVariant& value) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    s.open().setValue(key, value);
}

void increment(const QString& key) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    QSettings& settings = s.open();
    const int count = settings.contains(key) ? settings.value(key).toInt() : s.defaults.value(key).toInt();
    if (count < std::numeric_limits<int>::max())
        settings.setValue(key, count + 1);
}

void remove(const QString& key) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    s.open().remove(key);
}

void sync() {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    s.open();
    s.sync();
}

bool written() {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    return !s.failing;
}

WriteState& writeState() {
    static WriteState* state = [] {
        auto* made = new WriteState;
        // Signals reach the main thread's watchers from whichever thread wrote.
        if (auto* app = QCoreApplication::instance())
            made->moveToThread(app->thread());
        return made;
    }();
    return *state;
}

void migrateWakeModel() {
    if (contains(Key::clapWake))
        return;
    const QString method = stringValue(Key::wakeMethod);
    setValue(Key::clapWake, method == QLatin1String("clap"));
    setValue(Key::activationStyle,
             method == QLatin1String("doubleTap") ? QStringLiteral("tap") : QStringLiteral("hold"));
}

void registerDefaults() {
    migrateWakeModel();
    QVariantMap table{
        {Key::sensitivity, 6.0},
        {Key::soundsEnabled, true},
        {Key::wakeSound, QStringLiteral("droplet")},
        {Key::soundVolume, 0.35},
        {Key::fusionDisabled, false},
        {Key::askEnabled, true},
        {Key::debugAudio, false},
        {Key::onboarded, false},
        {Key::activationStyle, QStringLiteral("hold")},
        {Key::wakeKeyCode, 54},
    };
    auto& s = store();
    std::lock_guard lock(s.mutex);
    s.defaults = std::move(table);
}

QVariantMap registeredDefaults() {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    return s.defaults;
}

void reset() {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    s.sync();
    s.settings.reset();
    s.setFailing(false);
    s.standIn.reset();
    s.defaults.clear();
}

} // namespace brisklet::Prefs
