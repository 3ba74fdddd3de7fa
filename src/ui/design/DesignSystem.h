#pragma once

#include "ui/design/DSMotion.h"
#include "ui/design/DSPalette.h"
#include "ui/design/DSText.h"

#include <QFont>
#include <QObject>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

class QQmlEngine;
class QJSEngine;
class QWindow;

namespace brisklet {

namespace platform {
class DesktopAppearance;
class WindowLook;
}

// The user's appearance choice, stored under "brisklet.appearance".
enum class AppAppearance { system, light, dark };
// "system", "light" or "dark" exactly; anything else is no choice at all.
std::optional<AppAppearance> appAppearanceFrom(const QString& raw);
QString rawValue(AppAppearance appearance);

// The design system every view draws with (QML: DS): both palettes, the text
// styles, motion, shadows and symbols, and the appearance in effect — the user's
// choice over the desktop's preference. One per process.
class DesignSystem final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(DS)
    QML_SINGLETON
    Q_PROPERTY(QString appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)
    Q_PROPERTY(bool systemDark READ systemDark NOTIFY appearanceChanged)
    Q_PROPERTY(bool isDark READ isDark NOTIFY appearanceChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion NOTIFY reduceMotionChanged)
    Q_PROPERTY(DSPalette* light READ light CONSTANT)
    Q_PROPERTY(DSPalette* dark READ dark CONSTANT)
    Q_PROPERTY(DSText* text READ text CONSTANT)
    Q_PROPERTY(DSMotion* motion READ motion CONSTANT)
    // floating and popover: {opacity, radius, y}
    Q_PROPERTY(QVariantMap shadow READ shadow CONSTANT)
    Q_PROPERTY(QString symbolFamily READ symbolFamily CONSTANT)
public:
    static DesignSystem& instance();
    // The QML engine's singleton: the one instance, which the engine never owns.
    static DesignSystem* create(QQmlEngine*, QJSEngine*);

    // Follow the desktop's dark mode and reduced motion (nullptr: neither).
    void setDesktop(platform::DesktopAppearance* desktop);
    // How the desktop draws our windows (nullptr: a compositor is assumed and title
    // bars keep the window manager's own variant).
    void setWindowLook(platform::WindowLook* look) { windowLook_ = look; }
    platform::WindowLook* windowLook() const { return windowLook_; }
    // Read "brisklet.appearance" again (the settings may have written it).
    void reloadAppearance();

    QString appearance() const { return rawValue(appearance_); }
    // Stores the choice and applies it at once; a value that is no choice counts as "system".
    void setAppearance(const QString& raw);
    bool systemDark() const { return systemDark_; }
    bool isDark() const;
    bool reduceMotion() const { return reduceMotion_; }
    DSPalette* light() { return &light_; }
    DSPalette* dark() { return &dark_; }
    DSPalette* palette(bool dark) { return dark ? &dark_ : &light_; }
    // The palette a view in `window` draws with: the window's own appearance if it
    // has one (the heads-up display is always dark), else the app's. Views pass
    // DS.isDark too, so their bindings follow the app's appearance.
    Q_INVOKABLE brisklet::DSPalette* paletteFor(QObject* window, bool appDark);
    // Give a window an appearance of its own, or none; before its content is made.
    static void forceAppearance(QWindow* window, std::optional<bool> dark);
    static std::optional<bool> forcedAppearance(const QWindow* window);
    // Made on first use: resolving the families reads the whole font database,
    // which an app that shows nothing yet can do without.
    DSText* text();
    DSMotion* motion() { return &motion_; }
    QVariantMap shadow() const;
    QString symbolFamily() const;

    Q_INVOKABLE QString symbol(const QString& name) const;
    // design: "default", "serif", "rounded" or "monospaced"
    Q_INVOKABLE QFont font(qreal size, int weight, const QString& design = {}) const;
    Q_INVOKABLE QString upper(const QString& text) const { return text.toUpper(); }
    // The brand mark's outlines in a size × size square, for a canvas to draw:
    // a list of ["M", x, y], ["L", x, y] and ["C", x1, y1, x2, y2, x, y] steps.
    Q_INVOKABLE QVariantList ribbonPath(qreal size, qreal progress) const;
    Q_INVOKABLE QVariantList starPath(qreal size) const;
    // A copy of `font` with extra space between letters, in logical pixels.
    Q_INVOKABLE QFont tracked(QFont font, qreal spacing) const {
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        return font;
    }
    // `font` as a Text item lays it out: Qt Quick rounds a point size to half a
    // point (the phrase's 8.625 becomes 8.5), so metrics taken with the font as
    // given measure text about a twelfth wider than it is drawn.
    Q_INVOKABLE QFont asDrawn(QFont font) const;
    // The text between typographic double quotation marks.
    Q_INVOKABLE QString quoted(const QString& text) const;

signals:
    void appearanceChanged();
    void reduceMotionChanged();

private:
    DesignSystem();
    void readDesktop();

    DSPalette light_{false};
    DSPalette dark_{true};
    std::unique_ptr<DSText> text_;
    DSMotion motion_;
    AppAppearance appearance_ = AppAppearance::system;
    bool systemDark_ = false;
    bool reduceMotion_ = false;
    platform::DesktopAppearance* desktop_ = nullptr;
    quint64 desktopToken_ = 0;
    platform::WindowLook* windowLook_ = nullptr;
};

} // namespace brisklet
