#include "ui/Theme.h"

#include "ui/DesignSystem.h"

#include <QQuickItem>
#include <QQuickWindow>

namespace brisklet {

namespace {
constexpr const char* kForced = "_brisklet_forcedDark";
}

Theme::Theme(QObject* attachee) : QObject(attachee), item_(qobject_cast<QQuickItem*>(attachee)) {
    auto& ds = DesignSystem::instance();
    connect(&ds, &DesignSystem::appearanceChanged, this,
            [this] { follow(item_ ? item_->window() : nullptr); });
    if (item_)
        connect(item_, &QQuickItem::windowChanged, this, &Theme::follow);
    dark_ = ds.isDark();
    follow(item_ ? item_->window() : nullptr);
}

Theme* Theme::qmlAttachedProperties(QObject* attachee) {
    return new Theme(attachee);
}

void Theme::force(QWindow* window, std::optional<bool> dark) {
    if (window)
        window->setProperty(kForced, dark ? QVariant(*dark) : QVariant());
}

std::optional<bool> Theme::forced(const QWindow* window) {
    const QVariant value = window ? window->property(kForced) : QVariant();
    if (!value.isValid())
        return std::nullopt;
    return value.toBool();
}

void Theme::follow(QQuickWindow* window) {
    const bool dark = forced(window).value_or(DesignSystem::instance().isDark());
    if (dark == dark_)
        return;
    dark_ = dark;
    emit changed();
}

DSPalette* Theme::c() const {
    return DesignSystem::instance().palette(dark_);
}

bool Theme::dark() const {
    return dark_;
}

} // namespace brisklet
