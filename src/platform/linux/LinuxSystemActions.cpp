#include "platform/linux/LinuxSystemActions.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "platform/linux/DBusCall.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <memory>
#include <xcb/xcb.h>

namespace brisklet::platform {

namespace {
constexpr double pactlLimit = 5.0;
constexpr int lockTimeoutMs = 5000;

struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};

// The root window as an image, or a null image when there is no X display.
QImage grabRoot() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> conn(c, xcb_disconnect);
    if (xcb_connection_has_error(c))
        return {};
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return {};
    const xcb_screen_t* screen = it.data;
    const int w = screen->width_in_pixels;
    const int h = screen->height_in_pixels;
    if (screen->root_depth != 24 && screen->root_depth != 32)
        return {}; // only true-colour roots are read here

    // The root visual's channel masks decide the pixel layout.
    xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual) {
                visual = v.data;
                break;
            }
        }
    }
    if (!visual || visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 || visual->blue_mask != 0xff)
        return {};

    xcb_generic_error_t* error = nullptr;
    auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, w, h, ~0u);
    std::unique_ptr<xcb_get_image_reply_t, XcbFree> reply(xcb_get_image_reply(c, cookie, &error));
    std::free(error);
    if (!reply)
        return {};
    const int length = xcb_get_image_data_length(reply.get());
    if (length < w * h * 4)
        return {}; // not 32 bits per pixel
    const int stride = length / h;
    QImage view(xcb_get_image_data(reply.get()), w, h, stride, QImage::Format_RGB32);
    return view.copy(); // detach from the reply, which is freed here
}
} // namespace

LinuxSystemActions::LinuxSystemActions(ProcessRunner& runner, Folders folders)
    : runner_(runner), folders_(std::move(folders)) {}

ProcessResult LinuxSystemActions::pactl(const QStringList& args) {
    // The C locale keeps numbers and words in the form we parse.
    return runner_.run(QStringLiteral("pactl"), args, pactlLimit,
                       {{QStringLiteral("LC_ALL"), QStringLiteral("C")}});
}

std::optional<int> LinuxSystemActions::parseVolume(const QString& pactlOutput) {
    static const QRegularExpression percent(QStringLiteral("(\\d+)%"));
    std::optional<int> loudest;
    for (auto it = percent.globalMatch(pactlOutput); it.hasNext();) {
        bool ok = false;
        const qlonglong value = it.next().captured(1).toLongLong(&ok);
        if (!ok)
            continue;
        // The sound server allows more than 100 %; our scale ends there.
        const int clamped = static_cast<int>(std::clamp<qlonglong>(value, 0, 100));
        loudest = std::max(loudest.value_or(0), clamped);
    }
    return loudest;
}

std::optional<int> LinuxSystemActions::currentVolume() {
    const ProcessResult r = pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    if (r.status != 0)
        return std::nullopt;
    return parseVolume(r.out);
}

bool LinuxSystemActions::setVolume(int percent) {
    const int level = std::clamp(percent, 0, 100);
    const ProcessResult r = pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
                                   QString::number(level) + QLatin1Char('%')});
    if (r.status != 0)
        qCInfo(lcApp).noquote() << "setting the volume failed:" << r.err.trimmed();
    return r.status == 0;
}

bool LinuxSystemActions::setMuted(bool muted) {
    const ProcessResult r = pactl({QStringLiteral("set-sink-mute"), QStringLiteral("@DEFAULT_SINK@"),
                                   muted ? QStringLiteral("1") : QStringLiteral("0")});
    if (r.status != 0)
        qCInfo(lcApp).noquote() << "muting failed:" << r.err.trimmed();
    return r.status == 0;
}

QString LinuxSystemActions::screenshotName(const QString& stamp, int attempt) {
    QString name = QStringLiteral("Brisklet-") + stamp;
    if (attempt > 1)
        name += QLatin1Char('-') + QString::number(attempt);
    return name + QStringLiteral(".png");
}

std::optional<QString> LinuxSystemActions::screenshot() {
    QString folder = folders_.screenshots;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        qCWarning(lcApp).noquote() << "no folder for screenshots:" << folder;
        return std::nullopt;
    }
    const QImage image = grabRoot();
    if (image.isNull()) {
        qCWarning(lcApp) << "couldn't read the screen";
        return std::nullopt;
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // NewOnly: an earlier screenshot is never replaced, even by a race.
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString path = QDir(folder).filePath(screenshotName(stamp, attempt));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                continue;
            qCWarning(lcApp).noquote() << "couldn't create" << path;
            return std::nullopt;
        }
        if (image.save(&file, "PNG") && file.flush()) {
            file.close();
            return path;
        }
        file.close();
        file.remove();
        qCWarning(lcApp).noquote() << "couldn't write" << path;
        return std::nullopt;
    }
    return std::nullopt;
}

QString LinuxSystemActions::shortcutsFolder() const {
    return folders_.shortcuts.isEmpty() ? Paths::shortcutsFolder() : folders_.shortcuts;
}

QStringList LinuxSystemActions::shortcuts() {
    QStringList names;
    const QDir dir(shortcutsFolder());
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Executable, QDir::Name)) {
        if (isAcceptableShortcutName(info.fileName()))
            names << info.fileName();
    }
    return names;
}

std::optional<QString> LinuxSystemActions::shortcutPath(const QString& name) {
    if (!isAcceptableShortcutName(name))
        return std::nullopt;
    const QDir dir(shortcutsFolder());
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Executable, QDir::Name)) {
        const QString file = info.fileName();
        if (!isAcceptableShortcutName(file))
            continue;
        // Names are compared exactly, apart from blanks around the file's name.
        QString trimmed = file;
        while (!trimmed.isEmpty() && (trimmed.front() == u' ' || trimmed.front() == u'\t'))
            trimmed.remove(0, 1);
        while (!trimmed.isEmpty() && (trimmed.back() == u' ' || trimmed.back() == u'\t'))
            trimmed.chop(1);
        if (trimmed == name)
            return info.absoluteFilePath();
    }
    return std::nullopt;
}

bool LinuxSystemActions::shortcutExists(const QString& name) {
    return shortcutPath(name).has_value();
}

ProcessResult LinuxSystemActions::runShortcut(const QString& name, double timeoutSeconds) {
    const auto path = shortcutPath(name);
    if (!path) {
        qCInfo(lcApp).noquote() << "no Shortcut called" << name;
        return {};
    }
    return runner_.run(*path, {}, timeoutSeconds);
}

ScriptOutcome LinuxSystemActions::lockScreen() {
    QDBusMessage saver = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Lock"));
    ScriptOutcome outcome =
        DBusCall::outcomeOf(DBusCall::call(QDBusConnection::sessionBus(), saver, lockTimeoutMs));
    if (outcome.isOk())
        return outcome;
    qCInfo(lcApp).noquote() << "the screen saver didn't lock:" << outcome.text << "— asking logind";
    QDBusMessage session = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1/session/auto"),
        QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"));
    outcome = DBusCall::outcomeOf(DBusCall::call(QDBusConnection::systemBus(), session, lockTimeoutMs));
    if (!outcome.isOk())
        qCWarning(lcApp).noquote() << "couldn't lock the screen:"
                                   << (outcome.isDenied() ? "not allowed" : outcome.text);
    return outcome;
}

} // namespace brisklet::platform
