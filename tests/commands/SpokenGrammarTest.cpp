// The grammars a listening window decodes with can say every phrasing the matcher
// and the resolver turn into a plan: each phrasing below is typed to the matcher
// for its plan, spelled as the grammar spells it, and walked through the very
// grammar the speech library builds from our text.
#include "SpokenDesktop.h"
#include "platform/linux/speech/SpeechGrammar.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include <sphinxbase/err.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/jsgf.h>
#include <sphinxbase/logmath.h>

#include <functional>
#include <set>

using namespace brisklet;
using platform::SpeechGrammar::freeMark;

namespace {

// A dictionary that knows every word, each sounding like no other: only the
// grammar's spelling matters here.
// Every word is known, said letter by letter with a syllable for each vowel.
std::optional<std::string> anyWord(const std::string& word) {
    static const std::map<char, std::string> vowels = {{'a', "AE"}, {'e', "EH"}, {'i', "IH"},
                                                       {'o', "AA"}, {'u', "UH"}, {'y', "IY"}};
    std::string phones;
    for (char c : word) {
        const auto vowel = vowels.find(c);
        phones += std::string(phones.empty() ? "" : " ") +
                  (vowel != vowels.end() ? vowel->second : std::string(1, char(std::toupper(c))));
    }
    return phones;
}

// The language of one grammar text, as the decoder's own parser builds it.
class Language {
public:
    explicit Language(const std::string& jsgf) {
        err_set_logfp(nullptr);
        math_ = logmath_init(1.0001, 0, 0);
        grammar_ = jsgf_parse_string(jsgf.c_str(), nullptr);
        if (grammar_)
            if (jsgf_rule_t* rule = jsgf_get_public_rule(grammar_))
                fsg_ = jsgf_build_fsg(grammar_, rule, math_, 1.0);
    }
    ~Language() {
        if (fsg_)
            fsg_model_free(fsg_);
        if (grammar_)
            jsgf_grammar_free(grammar_);
        logmath_free(math_);
    }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;

    bool valid() const { return fsg_ != nullptr; }

    // A free word is written with its mark in the grammar and without it in a
    // transcript.
    bool accepts(const std::vector<std::string>& words) const {
        std::set<int> states = closure({fsg_model_start_state(fsg_)});
        for (const std::string& word : words) {
            std::set<int> next;
            for (int from : states)
                eachArc(from, [&](int wid, int to) {
                    if (wid < 0)
                        return;
                    const std::string said = fsg_model_word_str(fsg_, wid);
                    if (said == word || said == word + freeMark)
                        next.insert(to);
                });
            states = closure(next);
            if (states.empty())
                return false;
        }
        return states.count(fsg_model_final_state(fsg_)) > 0;
    }

private:
    template <typename F> void eachArc(int from, F f) const {
        for (fsg_arciter_t* it = fsg_model_arcs(fsg_, from); it; it = fsg_arciter_next(it)) {
            const fsg_link_t* link = fsg_arciter_get(it);
            f(fsg_link_wid(link), fsg_link_to_state(link));
        }
    }
    std::set<int> closure(std::set<int> states) const {
        std::vector<int> todo(states.begin(), states.end());
        while (!todo.empty()) {
            const int from = todo.back();
            todo.pop_back();
            eachArc(from, [&](int wid, int to) {
                if (wid < 0 && states.insert(to).second)
                    todo.push_back(to);
            });
        }
        return states;
    }

    logmath_t* math_ = nullptr;
    jsgf_t* grammar_ = nullptr;
    fsg_model_t* fsg_ = nullptr;
};

// Every choice of one word (or none, "") from each place, in order.
QStringList said(const std::vector<QStringList>& places) {
    QStringList out{QString()};
    for (const QStringList& place : places) {
        QStringList next;
        for (const QString& head : out)
            for (const QString& choice : place)
                next << (head + QLatin1Char(' ') + choice).simplified();
        out = next;
    }
    return out;
}

// A number as digits and as words.
QStringList number(int n) {
    return {QString::number(n), QString::fromStdString(platform::SpeechGrammar::numberWords(n))};
}

struct Phrasing {
    QString text;
    std::function<bool(const Plan&)> wanted;
    bool free = false; // says words no name vouches for
    int group = 0;     // phrasings made together, of which at least one plans
};

// The apps, setups and layouts the phrasings name. The setups have trigger phrases
// and numbers in their names; the apps' names run to several words.
test::SpokenDesktop desktop() {
    std::vector<platform::AppEntry> apps = test::SpokenDesktop::phrasesApps();
    apps.push_back({"code", "Visual Studio Code", "/usr/share/applications/code.desktop"});
    apps.push_back({"org.gnome.SoundRecorder", "Sound Recorder",
                    "/usr/share/applications/org.gnome.SoundRecorder.desktop"});
    apps.push_back(
        {"libreoffice-writer", "LibreOffice Writer", "/usr/share/applications/libreoffice-writer.desktop"});
    return test::SpokenDesktop(apps,
                               {{"Deep Work", {"heads down"}},
                                {"Morning", {"good morning"}},
                                {"Lab Two", {"recording time"}},
                                {"Room 101", {}}},
                               {"Coding", "Writing", "Presentation"});
}

std::vector<Phrasing> phrasings(const test::SpokenDesktop& d) {
    std::vector<Phrasing> out;
    int group = 0;
    const auto add = [&](const QStringList& texts, std::function<bool(const Plan&)> wanted,
                         bool free = false) {
        ++group;
        for (const QString& text : texts)
            out.push_back({text, wanted, free, group});
    };
    const auto is = [](const Plan& plan) { return [plan](const Plan& got) { return got == plan; }; };

    // Setups, by name (numbers said as words or digits) and by trigger phrase.
    const std::vector<std::pair<QString, QStringList>> setups = {
        {"Deep Work", {"deep work", "heads down"}},
        {"Morning", {"morning", "good morning"}},
        {"Lab Two", {"lab two", "lab 2", "recording time"}},
        {"Room 101", {"room 101", "room one hundred one"}},
    };
    const QStringList endVerbs = {"end",       "stop",     "close",     "quit",   "kill",    "shut",
                                  "shut down", "shutdown", "done with", "finish", "finished"};
    const QStringList runVerbs = {"run",  "start",    "begin",   "launch", "open",
                                  "load", "bring up", "fire up", "apply"};
    // A setup's plan may hold the name as said: the setups' own lookup finds it.
    const auto setup = [&d](Action::Kind kind, const QString& name) {
        return [&d, kind, name](const Plan& got) {
            return got.size() == 1 && got[0].kind == kind && d.setups.lookupName(got[0].name) == name;
        };
    };
    for (const auto& [name, forms] : setups) {
        add(said({endVerbs, forms, {"", "setup"}}), setup(Action::Kind::endSetup, name));
        add(said({runVerbs, forms, {"", "setup"}}), setup(Action::Kind::runSetup, name));
        add(said({forms, {"", "setup"}}), setup(Action::Kind::runSetup, name));
    }

    // Apps, by their full names and every shorter run of their words that names
    // them alone.
    const auto names = [&](const IndexedApp& app) {
        return [&d, app](const Plan& got) {
            if (got.empty())
                return false;
            const auto found = d.index->resolve(got.front().name);
            return found && found->name == app.name;
        };
    };
    for (const IndexedApp& app : *d.index->snapshot()) {
        const QStringList words = app.normalizedName.split(' ');
        QStringList forms;
        for (qsizetype from = 0; from < words.size(); ++from)
            for (qsizetype n = 1; from + n <= words.size(); ++n) {
                const QString run = words.mid(from, n).join(' ');
                const auto found = d.index->resolve(run);
                // The grammar says a shorter form only where a person would.
                const bool said = n == words.size() ||
                                  !platform::SpeechGrammar::sayableShortNames({run}, anyWord).isEmpty();
                if (found && found->name == app.name && said)
                    forms << run;
            }
        add(said({{"open", "launch", "start", "bring up", "fire up", "run", "load"}, forms}), names(app));
        add(said({{"quit", "close", "kill", "shut down", "stop"}, forms}), names(app));
        add(said({{"switch to", "focus", "show", "go to", "focus on"}, forms}), names(app));
        add(said({{"maximize", "fullscreen"}, forms}), names(app));
        add(said({{"make"}, forms, {"full screen", "fullscreen"}}), names(app));
    }

    // Sorting, with the words the matcher passes over before the count.
    for (int n = 1; n <= 12; ++n)
        add(said({{"sort", "split", "arrange", "tile", "organize", "organise"},
                  {"", "into"},
                  {"", "my"},
                  number(n),
                  {"", "windows", "screen", "everything", "all"}}),
            is({Action::sortActive(n)}));
    add(said({{"sort", "tile", "arrange"}, {"", "my"}, {"", "windows", "screen", "everything"}}),
        is({Action::sortAll()}));
    for (int n = 0; n <= 100; ++n)
        add(said({{"volume"}, number(n)}), is({Action::setVolume(n)}));

    // Media verbs, alone and with what they act on.
    const std::vector<std::pair<QString, MediaOp>> media = {
        {"pause", MediaOp::pause}, {"resume", MediaOp::play}, {"skip", MediaOp::next}};
    for (const auto& [verb, op] : media)
        add(QStringList{verb} +
                said({{verb}, {"", "the", "my", "this"}, {"music", "song", "track", "tune", "spotify"}}),
            is({Action::mediaControl(op)}));
    add(said({{"next"}, {"song", "track", "tune", "music"}}), is({Action::mediaControl(MediaOp::next)}));
    add(said({{"previous"}, {"song", "track", "tune", "music"}}),
        is({Action::mediaControl(MediaOp::previous)}));
    add({"play"}, is({Action::mediaControl(MediaOp::play)}), true);

    // Free words: new names and songs.
    add(
        {"play jazz", "play rain sounds", "play jazz on spotify"},
        [](const Plan& got) { return !got.empty() && got[0].kind == Action::Kind::playMusic; }, true);
    add({"save layout as reading", "save layout reading"}, is({Action::saveLayout("reading")}), true);
    add(said({{"new", "create", "save", "capture", "make"},
              {"", "a", "my", "this"},
              {"setup"},
              {"called", "named", "as"},
              {"gym"}}),
        is({Action::captureSetup("gym")}), true);

    // Layouts.
    for (const QString layout : {"coding", "writing", "presentation"}) {
        add(said({{"layout"}, {layout}}),
            [](const Plan& got) { return !got.empty() && got[0].kind == Action::Kind::applyLayout; });
        add(said({{"load", "apply"}, {"", "the", "my"}, {layout}, {"", "layout"}}),
            [](const Plan& got) { return !got.empty() && got[0].kind == Action::Kind::applyLayout; });
    }
    return out;
}

// The two grammars of a listening window on a desktop: its phrases', and the free
// slots'.
struct Grammars {
    explicit Grammars(const test::SpokenDesktop& d)
        : request(d.request()),
          fixed(platform::SpeechGrammar::build(request->contextualStrings(),
                                               platform::SpeechGrammar::withoutFree(request->shapes()),
                                               anyWord)
                    .jsgf),
          shapes(platform::SpeechGrammar::build(request->contextualStrings(), request->shapes(), anyWord, {},
                                                {"jazz", "rain", "sounds", "reading", "gym"})
                     .jsgf) {}
    std::shared_ptr<platform::RecognitionRequest> request;
    Language fixed, shapes;
};

// Whether a grammar says a text, spelled as the grammar spells it.
bool says(const Language& grammar, const QString& text) {
    std::map<std::string, std::string> added;
    const auto words = platform::SpeechGrammar::words(text, anyWord, added);
    return words && grammar.accepts(*words);
}

// Each phrasing is typed as a transcript writes it, numbers in digits.
Plan typed(const test::SpokenDesktop& d, const QString& phrasing) {
    return d.matcher->match(platform::SpeechGrammar::formatNumbers(phrasing));
}

QString listed(const QStringList& phrasings) {
    return QString::number(phrasings.size()) + ":\n" + phrasings.mid(0, 60).join('\n');
}

} // namespace

// A phrasing that gives no plan typed (a name two apps share, an app never quit on a
// guess) is none the grammar must say.
TEST(SpokenGrammar, eitherGrammarSaysEveryPhrasingTheMatcherPlans) {
    const test::SpokenDesktop d = desktop();
    const Grammars g(d);
    ASSERT_TRUE(g.fixed.valid());
    ASSERT_TRUE(g.shapes.valid());

    int checked = 0;
    QStringList unsaid;
    for (const Phrasing& p : phrasings(d)) {
        if (!p.wanted(typed(d, p.text)))
            continue;
        if (!says(p.free ? g.shapes : g.fixed, p.text))
            unsaid << p.text;
        ++checked;
    }
    EXPECT_GT(checked, 4000);
    EXPECT_TRUE(unsaid.isEmpty()) << "no grammar says " << listed(unsaid).toStdString();
}

// The phrasings above are the matcher's own: each verb and shape is read, and none
// gives another plan than it asks for.
TEST(SpokenGrammar, everyPhrasingTypedGivesThePlanItAsksFor) {
    const test::SpokenDesktop d = desktop();
    std::set<int> planned;
    QStringList wrong;
    const std::vector<Phrasing> all = phrasings(d);
    for (const Phrasing& p : all) {
        const Plan plan = typed(d, p.text);
        if (plan.empty())
            continue;
        if (p.wanted(plan))
            planned.insert(p.group);
        else
            wrong << p.text;
    }
    EXPECT_EQ(planned.size(), std::size_t(all.back().group)) << "a verb or shape no longer read";
    EXPECT_TRUE(wrong.isEmpty()) << "typed give another plan " << listed(wrong).toStdString();
}

// "set up morning" was heard as "shut up morning", which ended Morning: "shut up" ends
// nothing, so no grammar reads it before a name, and typed it plans nothing. "shut"
// before a name, and "shut down", still end it.
TEST(SpokenGrammar, shutUpBeforeANameIsNoEnding) {
    const test::SpokenDesktop d = desktop();
    const Grammars g(d);
    ASSERT_TRUE(g.fixed.valid());
    ASSERT_TRUE(g.shapes.valid());
    for (const QString name : {"morning", "deep work", "firefox", "coding", "coding layout"}) {
        for (const QString filler : {"", " the", " my"}) {
            const QString text = "shut up" + filler + " " + name;
            EXPECT_FALSE(says(g.fixed, text)) << text.toStdString();
            EXPECT_FALSE(says(g.shapes, text)) << text.toStdString();
            EXPECT_TRUE(d.matcher->match(text).empty()) << text.toStdString();
        }
        for (const QString verb : {"shut", "shut down"})
            EXPECT_TRUE(says(g.fixed, verb + " " + name)) << (verb + " " + name).toStdString();
    }
    EXPECT_TRUE(says(g.fixed, "set up morning"));
}
