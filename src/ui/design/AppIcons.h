#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <mutex>

namespace brisklet {

namespace platform {
class AppIconSource;
}

// The icon of every app the views show, by desktop ID, looked up once per ID for
// the life of the process. An app that isn't installed (or has no icon) gets the
// "app.dashed" symbol, and keeps it until the program restarts. Main thread.
class AppIcons final {
public:
    static AppIcons& instance();

    // Where icons come from (nullptr: nowhere, every app gets the placeholder).
    // Clears the cache, so that tests start afresh.
    void setSource(platform::AppIconSource* source);

    // Never null.
    QImage icon(const QString& appID);
    // The image given to apps without an icon of their own.
    QImage placeholder();

    // The edge, in pixels, icons are asked for: sharp up to 32 pt at twice the density.
    static constexpr int pixels = 64;

private:
    AppIcons() = default;

    std::mutex lock_;
    platform::AppIconSource* source_ = nullptr;
    QHash<QString, QImage> cache_;
    QImage placeholder_;
};

} // namespace brisklet
