#include "ui/design/AppIcons.h"

#include "platform/AppIconSource.h"
#include "ui/design/Symbols.h"


namespace brisklet {

AppIcons& AppIcons::instance() {
    static AppIcons icons;
    return icons;
}

void AppIcons::setSource(platform::AppIconSource* source) {
    std::lock_guard guard(lock_);
    source_ = source;
    cache_.clear();
}

QImage AppIcons::icon(const QString& appID) {
    std::lock_guard guard(lock_);
    if (const auto it = cache_.constFind(appID); it != cache_.constEnd())
        return *it;
    QImage image = source_ ? source_->icon(appID, pixels) : QImage();
    if (image.isNull()) {
        if (placeholder_.isNull()) {
            // The symbol in a mid grey that reads on both the light and dark surface.
            placeholder_ = Symbols::image(QStringLiteral("app.dashed"), pixels, QColor(0x8e, 0x88, 0x80));
        }
        image = placeholder_;
    }
    cache_.insert(appID, image);
    return image;
}

QImage AppIcons::placeholder() {
    return icon(QString());
}

} // namespace brisklet
