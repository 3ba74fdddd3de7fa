#include "ui/design/DesignSystem.h"

#include "base/Log.h"
#include "base/Prefs.h"
#include "platform/DesktopAppearance.h"
#include "ui/design/BriskGeometry.h"
#include "ui/design/Symbols.h"

#include <QQmlEngine>
#include <QWindow>

namespace brisklet {

std::optional<AppAppearance> appAppearanceFrom(const QString& raw) {
    if (raw == QLatin1String("system"))
        return AppAppearance::system;
    if (raw == QLatin1String("light"))
        return AppAppearance::light;
    if (raw == QLatin1String("dark"))
        return AppAppearance::dark;
    return std::nullopt;
}

QString rawValue(AppAppearance appearance) {
    switch (appearance) {
    case AppAppearance::light:
        return QStringLiteral("light");
    case AppAppearance::dark:
        return QStringLiteral("dark");
    case AppAppearance::system:
        break;
    }
    return QStringLiteral("system");
}

DesignSystem& DesignSystem::instance() {
    static DesignSystem* ds = new DesignSystem; // lives as long as the process
    return *ds;
}

DesignSystem* DesignSystem::create(QQmlEngine*, QJSEngine*) {
    DesignSystem* ds = &instance();
    QJSEngine::setObjectOwnership(ds, QJSEngine::CppOwnership);
    return ds;
}

DesignSystem::DesignSystem() {
    // Handed to QML by functions too: the engine must never take them over.
    for (QObject* owned : std::initializer_list<QObject*>{&light_, &dark_, &motion_})
        QJSEngine::setObjectOwnership(owned, QJSEngine::CppOwnership);
    reloadAppearance();
}

void DesignSystem::setDesktop(platform::DesktopAppearance* desktop) {
    if (desktop_)
        desktop_->removeChangeHandler(desktopToken_);
    desktop_ = desktop;
    desktopToken_ = desktop ? desktop->addChangeHandler([this] { readDesktop(); }) : 0;
    readDesktop();
}

void DesignSystem::readDesktop() {
    const bool dark = desktop_ && desktop_->prefersDark();
    const bool reduce = desktop_ && desktop_->reducesMotion();
    // The desktop's own scheme matters even while the app keeps a fixed one (the
    // tray's mark sits on the desktop's panel).
    const bool wasSystemDark = systemDark_;
    systemDark_ = dark;
    if (dark != wasSystemDark || appearance_ == AppAppearance::system)
        emit appearanceChanged();
    if (reduce != reduceMotion_) {
        reduceMotion_ = reduce;
        emit reduceMotionChanged();
    }
}

void DesignSystem::reloadAppearance() {
    const AppAppearance chosen = appAppearanceFrom(Prefs::stringValue(QLatin1String(Prefs::Key::appearance)))
                                     .value_or(AppAppearance::system);
    if (chosen == appearance_)
        return;
    appearance_ = chosen;
    emit appearanceChanged();
}

void DesignSystem::setAppearance(const QString& raw) {
    const AppAppearance chosen = appAppearanceFrom(raw).value_or(AppAppearance::system);
    Prefs::setValue(QLatin1String(Prefs::Key::appearance), rawValue(chosen));
    if (chosen == appearance_)
        return;
    appearance_ = chosen;
    qCInfo(lcApp).noquote() << "appearance:" << rawValue(chosen);
    emit appearanceChanged();
}

bool DesignSystem::isDark() const {
    switch (appearance_) {
    case AppAppearance::light:
        return false;
    case AppAppearance::dark:
        return true;
    case AppAppearance::system:
        break;
    }
    return systemDark_;
}

DSText* DesignSystem::text() {
    if (!text_) {
        text_ = std::make_unique<DSText>();
        QJSEngine::setObjectOwnership(text_.get(), QJSEngine::CppOwnership);
    }
    return text_.get();
}

namespace {
constexpr const char* kForcedDark = "_brisklet_forcedDark";
}

void DesignSystem::forceAppearance(QWindow* window, std::optional<bool> dark) {
    if (window)
        window->setProperty(kForcedDark, dark ? QVariant(*dark) : QVariant());
}

std::optional<bool> DesignSystem::forcedAppearance(const QWindow* window) {
    const QVariant value = window ? window->property(kForcedDark) : QVariant();
    if (!value.isValid())
        return std::nullopt;
    return value.toBool();
}

DSPalette* DesignSystem::paletteFor(QObject* window, bool appDark) {
    return palette(forcedAppearance(qobject_cast<QWindow*>(window)).value_or(appDark));
}

namespace {

QVariantList steps(const QPainterPath& path) {
    QVariantList out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            out << QVariant(QVariantList{QStringLiteral("M"), e.x, e.y});
        } else if (e.isLineTo()) {
            out << QVariant(QVariantList{QStringLiteral("L"), e.x, e.y});
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const auto c2 = path.elementAt(i + 1);
            const auto end = path.elementAt(i + 2);
            out << QVariant(QVariantList{QStringLiteral("C"), e.x, e.y, c2.x, c2.y, end.x, end.y});
            i += 2;
        }
    }
    return out;
}

} // namespace

QVariantList DesignSystem::ribbonPath(qreal size, qreal progress) const {
    return steps(BriskGeometry::strokePath(QRectF(0, 0, size, size), progress));
}

QVariantList DesignSystem::starPath(qreal size) const {
    return steps(BriskGeometry::starPath(QRectF(0, 0, size, size)));
}

QVariantMap DesignSystem::shadow() const {
    const auto recipe = [](double opacity, double radius, double y) {
        return QVariantMap{{QStringLiteral("opacity"), opacity},
                           {QStringLiteral("radius"), radius},
                           {QStringLiteral("y"), y}};
    };
    return {{QStringLiteral("floating"), recipe(0.28, 18, 6)},
            {QStringLiteral("popover"), recipe(0.16, 10, 3)}};
}

QString DesignSystem::symbolFamily() const {
    return QLatin1String(Symbols::fontFamily);
}

QString DesignSystem::symbol(const QString& name) const {
    return Symbols::glyph(name);
}

QFont DesignSystem::font(qreal size, int weight, const QString& design) const {
    DSText::Design d = DSText::Design::standard;
    if (design == QLatin1String("serif"))
        d = DSText::Design::serif;
    else if (design == QLatin1String("rounded"))
        d = DSText::Design::rounded;
    else if (design == QLatin1String("monospaced"))
        d = DSText::Design::monospaced;
    return DSText::font(size, weight, d);
}

QFont DesignSystem::asDrawn(QFont font) const {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(qRound(font.pointSizeF() * 2.0) / 2.0);
    return font;
}

QString DesignSystem::quoted(const QString& text) const {
    return QChar(0x201C) + text + QChar(0x201D);
}

} // namespace brisklet
