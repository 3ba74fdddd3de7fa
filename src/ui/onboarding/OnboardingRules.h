#pragma once

#include <QString>

namespace brisklet::OnboardingRules {

// How the wake key is used: held while speaking, or tapped once.
enum class Style { hold, tap };

// The stored gesture: only the exact text "tap" means tap.
Style styleFrom(const QString& stored);
QString styleText(Style style);

// The wake key's label for a stored code; 0 (also absent) is the default key, and
// an unknown code reads as the default key's label.
QString wakeKeyLabel(int storedCode);
// What the keycap shows for a label: a sign for Super and Alt keys, else the label.
QString keyGlyph(const QString& label);

// The demo's caption for its state.
QString keycapCaption(Style style, bool speaking, bool listening);

// The line under the brand for each step.
QString headerLine(int step);

// What the footer's forward button says, and whether it may be pressed.
struct FooterState {
    int step = 0;
    bool micOK = false;
    bool speechOK = false;
    bool commandSucceeded = false;
    bool magicSaved = false;     // a proposal was kept
    bool magicRan = false;       // a proposal was tried out
    bool magicProposals = false; // proposals are on offer
};
QString footerLabel(const FooterState& state);
bool forwardEnabled(const FooterState& state);

// The first command's title and instruction (Markdown: the phrase in bold).
QString firstCommandTitle(Style style, const QString& keyLabel);
QString firstCommandInstruction(Style style, bool accessibility);

// The Magic step's line about the other proposals; empty below two.
QString moreWaiting(int proposals);

} // namespace brisklet::OnboardingRules
