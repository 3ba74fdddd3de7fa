#include "ui/design/AppIconView.h"

#include "ui/design/AppIcons.h"

#include <QPainter>

namespace brisklet {

AppIconView::AppIconView(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    image_ = AppIcons::instance().icon(appID_);
}

void AppIconView::setAppID(const QString& id) {
    if (id == appID_)
        return;
    appID_ = id;
    image_ = AppIcons::instance().icon(id);
    emit appIDChanged();
    update();
}

bool AppIconView::isPlaceholder() const {
    return image_.cacheKey() == AppIcons::instance().placeholder().cacheKey();
}

void AppIconView::paint(QPainter* painter) {
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(QRectF(0, 0, width(), height()), image_);
}

} // namespace brisklet
