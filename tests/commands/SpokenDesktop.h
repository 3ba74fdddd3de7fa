#pragma once

// A desktop of setups, layouts and apps as the app knows them, the phrases a user
// says to it (every shape the matcher reads, several names each, and free
// questions), and the verdict on what the recogniser heard: the matcher decides
// whether the heard text asks for what the spoken one did.
#include "CommandFakes.h"
#include "base/Text.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "commands/Vocabulary.h"
#include "platform/RecognitionRequest.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace brisklet::test {

struct SpokenDesktop {
    FakeInstalledApps installed;
    FakeSetups setups;
    FakeLayouts layouts;
    CommandRegistry registry{QStringLiteral("/nonexistent/commands.json")};
    std::unique_ptr<AppIndex> index;
    std::unique_ptr<IntentMatcher> matcher;

    // The apps the phrases below name.
    static std::vector<platform::AppEntry> phrasesApps() {
        return {
            {"firefox-esr", "Firefox", "/usr/share/applications/firefox-esr.desktop"},
            {"org.gnome.Terminal", "Terminal", "/usr/share/applications/org.gnome.Terminal.desktop"},
            {"spotify", "Spotify", "/usr/share/applications/spotify.desktop"},
            {"slack", "Slack", "/usr/share/applications/slack.desktop"},
            {"thunderbird", "Thunderbird", "/usr/share/applications/thunderbird.desktop"},
            {"org.gnome.Calculator", "Calculator", "/usr/share/applications/org.gnome.Calculator.desktop"},
            {"org.gnome.TextEditor", "Text Editor", "/usr/share/applications/org.gnome.TextEditor.desktop"},
            {"org.gnome.Nautilus", "Files", "/usr/share/applications/org.gnome.Nautilus.desktop"},
            {"vlc", "VLC", "/usr/share/applications/vlc.desktop"},
            {"libreoffice-startcenter", "LibreOffice",
             "/usr/share/applications/libreoffice-startcenter.desktop"},
            {"discord", "Discord", "/usr/share/applications/discord.desktop"},
            {"zoom", "Zoom", "/usr/share/applications/zoom.desktop"},
        };
    }

    // Apps of the test desktop, with their entries as Debian installs them.
    static std::vector<platform::AppEntry> debianApps() {
        return {
            {"galculator", "Galculator", "/usr/share/applications/galculator.desktop"},
            {"debian-uxterm", "UXTerm", "/usr/share/applications/debian-uxterm.desktop"},
            {"debian-xterm", "XTerm", "/usr/share/applications/debian-xterm.desktop"},
            {"display-im6.q16", "ImageMagick (display Q16)",
             "/usr/share/applications/display-im6.q16.desktop"},
            {"org.xfce.mousepad", "Mousepad", "/usr/share/applications/org.xfce.mousepad.desktop"},
            {"featherpad", "FeatherPad", "/usr/share/applications/featherpad.desktop"},
            {"firefox-esr", "Firefox ESR", "/usr/share/applications/firefox-esr.desktop"},
        };
    }

    explicit SpokenDesktop(std::vector<platform::AppEntry> apps = phrasesApps(),
                           std::vector<SetupNames> setupList = {{"Deep Work", {"heads down"}},
                                                                {"Morning", {}},
                                                                {"Study", {}}},
                           std::vector<QString> layoutNames = {"Coding", "Writing", "Presentation"})
        : setups(std::move(setupList)), layouts(std::move(layoutNames)) {
        installed.apps = std::move(apps);
        registry.setEntries(CommandRegistry::defaults());
        index = std::make_unique<AppIndex>(&installed, nullptr);
        index->refresh();
        index->waitForScans();
        matcher = std::make_unique<IntentMatcher>(registry, setups, &layouts, index.get());
    }

    // A listening window's request, biased as the app biases it.
    std::shared_ptr<platform::RecognitionRequest> request() const {
        return std::make_shared<platform::RecognitionRequest>(
            Vocabulary::gather(setups, layouts, registry, *index),
            Vocabulary::shapes(*matcher, setups, layouts, *index));
    }

    enum class Verdict { right, wrongAction, miss };
    // Right: the heard text gives the spoken text's plan (for a free question, none).
    // What a text does on this desktop: each setup or app named as the one it reaches
    // ("open a calculator" opens Calculator). A heard name that reaches nothing runs
    // nothing ("No setup called …"), so it is left out: a miss, not an action.
    Plan acting(const QString& text, bool keepUnknown = false) const {
        Plan plan = matcher->match(text);
        using K = Action::Kind;
        std::erase_if(plan, [&](Action& a) {
            std::optional<QString> reached;
            switch (a.kind) {
            case K::runSetup:
            case K::endSetup:
                if (!a.setupID.isNull())
                    return false;
                reached = setups.lookupName(a.name);
                break;
            case K::openApp:
            case K::focusApp:
            case K::quitApp:
                if (const auto app = index->resolve(a.name))
                    reached = app->name;
                break;
            default:
                return false;
            }
            if (reached)
                a.name = *reached;
            return !reached && !keepUnknown;
        });
        return plan;
    }

    // A wrong action: it gives another plan. A miss: it gives none.
    Verdict verdict(const QString& spoken, const QString& heard) const {
        const Plan wanted = acting(spoken, true);
        const Plan got = acting(heard);
        if (got == wanted)
            return Verdict::right;
        return got.empty() ? Verdict::miss : Verdict::wrongAction;
    }

    // How a wrong action is wrong. Another action than the one said: another verb or
    // target, or any action from a question. The said action with a misheard name or
    // number: the same action with another play query, new layout or setup name, count
    // or level. Severe: an action nobody asked for that quits or closes apps, ends or
    // runs a setup, or acts at all on a question; and the opposite of what was said
    // (quit and open or focus, end and run, pause and play).
    enum class Wrong { none, otherAction, misheard };
    struct Judgement {
        Verdict verdict = Verdict::miss;
        Wrong wrong = Wrong::none;
        bool severe = false;
    };
    Judgement judge(const QString& spoken, const QString& heard) const {
        const Plan wanted = acting(spoken, true);
        const Plan got = acting(heard);
        if (got == wanted)
            return {Verdict::right};
        if (got.empty())
            return {Verdict::miss};
        using K = Action::Kind;
        const auto freeField = [](K k) {
            return k == K::playMusic || k == K::saveLayout || k == K::captureSetup || k == K::sortActive ||
                   k == K::setVolume;
        };
        bool misheard = got.size() == wanted.size();
        for (std::size_t i = 0; misheard && i < got.size(); ++i)
            misheard = got[i] == wanted[i] || (got[i].kind == wanted[i].kind && freeField(got[i].kind));
        const auto playing = [](const Action& a) {
            return a.kind == K::playMusic || (a.kind == K::mediaControl && a.op == MediaOp::play);
        };
        const auto pausing = [](const Action& a) {
            return a.kind == K::mediaControl && a.op == MediaOp::pause;
        };
        const auto opposite = [&](const Action& a, const Action& b) {
            const auto one = [&](const Action& x, const Action& y) {
                return (x.kind == K::quitApp && (y.kind == K::openApp || y.kind == K::focusApp)) ||
                       (x.kind == K::endSetup && y.kind == K::runSetup) || (pausing(x) && playing(y));
            };
            return one(a, b) || one(b, a);
        };
        bool severe = wanted.empty();
        for (const Action& g : got) {
            const bool harsh = g.kind == K::quitApp || g.kind == K::closeOthers || g.kind == K::endSetup ||
                               g.kind == K::runSetup;
            const bool named = std::any_of(wanted.begin(), wanted.end(), [&](const Action& w) {
                return w.kind == g.kind && w.name == g.name;
            });
            severe =
                severe || (harsh && !named) ||
                std::any_of(wanted.begin(), wanted.end(), [&](const Action& w) { return opposite(g, w); });
        }
        return {Verdict::wrongAction, misheard ? Wrong::misheard : Wrong::otherAction, severe};
    }
};

// A phrase whose plan takes a new name or words in a free slot (a play query, a saved
// layout's or a captured setup's name).
inline bool takesFreeName(const Plan& plan) {
    return std::any_of(plan.begin(), plan.end(), [](const Action& a) {
        return a.kind == Action::Kind::playMusic || a.kind == Action::Kind::saveLayout ||
               (a.kind == Action::Kind::captureSetup && a.optionalName);
    });
}

struct SpokenPhrase {
    const char* spoken;
    const char* kind; // "fixed", "setup", "parametric", "resolver", "near-miss", "question"
};

// Names in the parametric phrases are new to the desktop above: nothing in its
// vocabulary says them.
inline std::vector<SpokenPhrase> spokenPhrases() {
    return {
        {"left half", "fixed"},
        {"right half", "fixed"},
        {"maximize", "fixed"},
        {"center", "fixed"},
        {"lock screen", "fixed"},
        {"volume up", "fixed"},
        {"mute", "fixed"},
        {"next display", "fixed"},
        {"screenshot", "fixed"},
        {"do not disturb", "fixed"},
        {"put it back", "fixed"},
        {"pause the music", "fixed"},
        {"next song", "fixed"},
        {"hide others", "fixed"},
        {"deep work", "setup"},
        {"end deep work", "setup"},
        {"morning", "setup"},
        {"end morning", "setup"},
        {"run study setup", "setup"},
        {"stop deep work setup", "setup"},
        {"heads down", "setup"},
        {"study setup", "setup"},
        {"play jazz", "parametric"},
        {"play the beatles", "parametric"},
        {"play jazz on spotify", "parametric"},
        {"play classical music", "parametric"},
        {"play rain sounds", "parametric"},
        {"save layout as reading", "parametric"},
        {"save layout as travel", "parametric"},
        {"save layout as coding", "parametric"},
        {"save layout meeting", "parametric"},
        {"new setup called gym", "parametric"},
        {"create a setup called weekend", "parametric"},
        {"save this as my work setup", "parametric"},
        {"capture setup", "parametric"},
        {"maximize firefox", "parametric"},
        {"make slack full screen", "parametric"},
        {"fullscreen terminal", "parametric"},
        {"quit slack", "parametric"},
        {"close thunderbird", "parametric"},
        {"open calculator", "parametric"},
        {"launch terminal", "parametric"},
        {"start discord", "parametric"},
        {"switch to spotify", "parametric"},
        {"focus firefox", "parametric"},
        {"volume 40", "parametric"},
        {"volume 75", "parametric"},
        {"sort 3 windows", "parametric"},
        {"tile 4", "parametric"},
        {"split into three", "parametric"},
        {"layout coding", "parametric"},
        {"layout writing", "parametric"},
        {"skip", "parametric"},
        {"previous song", "parametric"},
        {"kill slack", "resolver"},
        {"shut down firefox", "resolver"},
        {"fire up terminal", "resolver"},
        {"load the coding layout", "resolver"},
        {"apply writing", "resolver"},
        {"bring up calculator", "resolver"},
        {"finish deep work", "resolver"},
        {"done with morning", "resolver"},
        {"stop zoom", "resolver"},
        {"show discord", "resolver"},
        {"split screen", "near-miss"},
        {"lock the screen", "near-miss"},
        {"maximise", "near-miss"},
        {"stop morning", "near-miss"},
        {"put everything back please", "near-miss"},
        {"next screen please", "near-miss"},
        {"how tall is the eiffel tower", "question"},
        {"what is the weather like tomorrow", "question"},
        {"who wrote the lord of the rings", "question"},
        {"tell me a joke about computers", "question"},
        {"how many days are in a leap year", "question"},
        {"why is the sky blue", "question"},
        {"what should I cook for dinner tonight", "question"},
        {"remind me to call my mother later", "question"},
        {"what time is it in tokyo", "question"},
        {"how do I open a jar", "question"},
        {"who won the game last night", "question"},
        {"can you recommend a good book", "question"},
    };
}

} // namespace brisklet::test
