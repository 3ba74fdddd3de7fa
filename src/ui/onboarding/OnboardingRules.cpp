#include "ui/onboarding/OnboardingRules.h"

#include "voice/WakeKeyOption.h"

namespace brisklet::OnboardingRules {

Style styleFrom(const QString& stored) {
    return stored == QLatin1String("tap") ? Style::tap : Style::hold;
}

QString styleText(Style style) {
    return style == Style::tap ? QStringLiteral("tap") : QStringLiteral("hold");
}

QString wakeKeyLabel(int storedCode) {
    return WakeKeyOption::forCode(storedCode).label;
}

QString keyGlyph(const QString& label) {
    if (label.contains(QLatin1String("Super")))
        return QString(QChar(0x2756));
    if (label.contains(QLatin1String("Alt")))
        return QString(QChar(0x2387));
    return label;
}

QString keycapCaption(Style style, bool speaking, bool listening) {
    if (listening)
        return QString::fromUtf8("Listening…");
    if (speaking)
        return style == Style::hold ? QString::fromUtf8("holding… speak")
                                    : QString::fromUtf8("listening — just speak");
    return style == Style::hold ? QStringLiteral("press and hold") : QStringLiteral("one quick tap");
}

QString headerLine(int step) {
    switch (step) {
    case 0:
        return QStringLiteral("Speak. Your computer obeys.");
    case 1:
        return QStringLiteral("Pick how you'll summon it.");
    case 2:
        return QStringLiteral("Cast your first command.");
    case 3:
        return QStringLiteral("It already knows how you work.");
    default:
        return QStringLiteral("A last flourish.");
    }
}

QString footerLabel(const FooterState& s) {
    if (s.step > 3)
        return QStringLiteral("Start using Brisklet");
    if (s.step == 2 && !s.commandSucceeded)
        return QStringLiteral("Skip");
    if (s.step != 3 || s.magicSaved || s.magicRan)
        return QStringLiteral("Continue");
    return s.magicProposals ? QStringLiteral("Skip for now") : QStringLiteral("Continue");
}

bool forwardEnabled(const FooterState& s) {
    return s.step != 0 || (s.micOK && s.speechOK);
}

QString firstCommandTitle(Style style, const QString& keyLabel) {
    return (style == Style::tap ? QStringLiteral("Tap ") : QStringLiteral("Hold ")) + keyLabel +
           QString::fromUtf8("…");
}

QString firstCommandInstruction(Style style, bool accessibility) {
    const bool tap = style == Style::tap;
    if (accessibility)
        return tap ? QString::fromUtf8("…then say **sort**. Your open windows tile into a grid.")
                   : QString::fromUtf8(
                         "…keep holding, say **sort**, then let go. Your open windows tile into a grid.");
    return tap ? QString::fromUtf8(
                     "…then say **volume up**. You'll hear it — your first command, no setup needed.")
               : QString::fromUtf8(
                     "…keep holding, say **volume up**, then let go. You'll hear it — your first "
                     "command, no setup needed.");
}

QString moreWaiting(int proposals) {
    if (proposals < 2)
        return {};
    return QString::number(proposals - 1) +
           QString::fromUtf8(
               " more waiting in Home → Magic — and you can describe your own in plain English there.");
}

} // namespace brisklet::OnboardingRules
