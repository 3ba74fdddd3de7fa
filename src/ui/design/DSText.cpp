#include "ui/design/DSText.h"

#include "base/Log.h"

#include <QFontDatabase>
#include <array>
#include <cmath>

namespace brisklet {

namespace {

QString pick(const QStringList& installed, const char* wanted, const char* fallback) {
    const QString name = QLatin1String(wanted);
    if (installed.contains(name))
        return name;
    qCWarning(lcApp).noquote()
        << QStringLiteral("font %1 is not installed; using %2").arg(name, QLatin1String(fallback));
    return QLatin1String(fallback);
}

} // namespace

QString DSText::family(Design design) {
    static const std::array<QString, 4> families = [] {
        const QStringList installed = QFontDatabase::families();
        return std::array<QString, 4>{pick(installed, "Inter", "DejaVu Sans"),
                                      pick(installed, "Vollkorn", "DejaVu Serif"),
                                      pick(installed, "Quicksand", "DejaVu Sans"),
                                      pick(installed, "JetBrains Mono", "DejaVu Sans Mono")};
    }();
    return families[size_t(design)];
}

QFont DSText::font(qreal size, int weight, Design design) {
    QFont f(family(design));
    if (std::floor(size) == size)
        f.setPixelSize(int(size));
    else
        f.setPointSizeF(size * 72.0 / 96.0); // logical pixels at Qt's 96 logical dpi
    // Quicksand has no semibold face: its bold stands in.
    if (design == Design::rounded && weight == semibold)
        weight = bold;
    f.setWeight(QFont::Weight(weight));
    if (design == Design::monospaced)
        f.setStyleHint(QFont::Monospace);
    return f;
}

DSText::DSText(QObject* parent) : QObject(parent) {
    using D = Design;
    display = font(26, semibold, D::serif);
    numeral = font(32, semibold, D::serif);
    title = font(17, semibold, D::serif);
    overline = font(11, semibold, D::standard);
    headline = font(13, semibold, D::standard);
    body = font(13, regular, D::standard);
    bodyMedium = font(13, medium, D::standard);
    callout = font(12, regular, D::standard);
    caption = font(11, regular, D::standard);
    captionMedium = font(11, medium, D::standard);
    phrase = font(11.5, medium, D::rounded);
    hud = font(13, semibold, D::rounded);
    hudSecondary = font(12, medium, D::rounded);
    mono = font(11, regular, D::monospaced);
}

} // namespace brisklet
