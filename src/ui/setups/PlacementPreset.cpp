#include "ui/setups/PlacementPreset.h"

#include <cmath>

namespace brisklet::PlacementPreset {

namespace {

struct Fractions {
    double rx, ry, rw, rh;
};

std::optional<Fractions> fractionsOf(Preset preset) {
    switch (preset) {
    case Preset::leftHalf:
        return Fractions{0, 0, 0.5, 1};
    case Preset::rightHalf:
        return Fractions{0.5, 0, 0.5, 1};
    case Preset::leftTwoThirds:
        return Fractions{0, 0, 2.0 / 3.0, 1};
    case Preset::rightThird:
        return Fractions{2.0 / 3.0, 0, 1.0 / 3.0, 1};
    case Preset::topHalf:
        return Fractions{0, 0.5, 1, 0.5};
    case Preset::bottomHalf:
        return Fractions{0, 0, 1, 0.5};
    case Preset::maximize:
        return Fractions{0, 0, 1, 1};
    case Preset::center:
        return Fractions{0.15, 0.1, 0.7, 0.8};
    case Preset::asIs:
    case Preset::none:
        break;
    }
    return std::nullopt;
}

// Strictly closer than 0.01; NaN never is.
bool near(double a, double b) {
    return std::abs(a - b) < 0.01;
}

} // namespace

const std::vector<Preset>& all() {
    static const std::vector<Preset> presets{
        Preset::asIs,    Preset::leftHalf,   Preset::rightHalf, Preset::leftTwoThirds, Preset::rightThird,
        Preset::topHalf, Preset::bottomHalf, Preset::maximize,  Preset::center,        Preset::none};
    return presets;
}

QString label(Preset preset) {
    switch (preset) {
    case Preset::asIs:
        return QStringLiteral("As captured");
    case Preset::leftHalf:
        return QStringLiteral("Left half");
    case Preset::rightHalf:
        return QStringLiteral("Right half");
    case Preset::leftTwoThirds:
        return QStringLiteral("Left ⅔");
    case Preset::rightThird:
        return QStringLiteral("Right ⅓");
    case Preset::topHalf:
        return QStringLiteral("Top half");
    case Preset::bottomHalf:
        return QStringLiteral("Bottom half");
    case Preset::maximize:
        return QStringLiteral("Fill screen");
    case Preset::center:
        return QStringLiteral("Centered");
    case Preset::none:
        return QStringLiteral("Don't place");
    }
    return {};
}

QStringList labels() {
    QStringList out;
    for (Preset preset : all())
        out << label(preset);
    return out;
}

std::optional<Preset> fromLabel(const QString& text) {
    for (Preset preset : all()) {
        if (label(preset) == text)
            return preset;
    }
    return std::nullopt;
}

std::optional<SetupFrame> apply(Preset preset, const std::optional<SetupFrame>& frame) {
    if (preset == Preset::asIs)
        return frame;
    const auto f = fractionsOf(preset);
    if (!f)
        return std::nullopt;
    return SetupFrame{f->rx, f->ry, f->rw, f->rh, frame ? frame->displayIndex : 0};
}

Preset matching(const std::optional<SetupFrame>& frame) {
    if (!frame)
        return Preset::none;
    for (Preset preset : all()) {
        const auto f = fractionsOf(preset);
        if (f && near(f->rx, frame->rx) && near(f->ry, frame->ry) && near(f->rw, frame->rw) &&
            near(f->rh, frame->rh))
            return preset;
    }
    return Preset::asIs;
}

SetupFrame centered() {
    return SetupFrame{0.15, 0.1, 0.7, 0.8, 0};
}

} // namespace brisklet::PlacementPreset
