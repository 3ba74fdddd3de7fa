#include "platform/linux/speech/SpeechGrammar.h"
#include "platform/linux/speech/SpeechReading.h"

#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {

// A small stand-in for the model's dictionary.
const std::map<std::string, std::string> dictionary = {
    {"open", "OW P AH N"},
    {"terminal", "T ER M AH N AH L"},
    {"file", "F AY L"},
    {"manager", "M AE N IH JH ER"},
    {"center", "S EH N T ER"},
    {"centre", "S EH N T ER"},
    {"screen", "S K R IY N"},
    {"shot", "SH AA T"},
    {"screenshot", "S K R IY N SH AA T"},
    {"volume", "V AA L Y UW M"},
    {"forty", "F AO R T IY"},
    {"mute", "M Y UW T"},
    {"end", "EH N D"},
    {"sort", "S AO R T"},
    {"windows", "W IH N D OW Z"},
};

std::optional<std::string> lookup(const std::string& word) {
    auto it = dictionary.find(word);
    if (it == dictionary.end())
        return std::nullopt;
    return it->second;
}

} // namespace

TEST(SpeechGrammar, numbersAreSpelledForTheGrammarAndWrittenAsDigitsInTranscripts) {
    EXPECT_EQ(SpeechGrammar::numberWords(0), "zero");
    EXPECT_EQ(SpeechGrammar::numberWords(40), "forty");
    EXPECT_EQ(SpeechGrammar::numberWords(75), "seventy five");
    EXPECT_EQ(SpeechGrammar::numberWords(100), "one hundred");
    EXPECT_EQ(SpeechGrammar::numberWords(512), "five hundred twelve");
    EXPECT_EQ(SpeechGrammar::numberWords(-1), "");

    const std::pair<QString, QString> cases[] = {
        {"volume forty", "volume 40"},
        {"volume seventy five", "volume 75"},
        {"sort three windows", "sort 3 windows"},
        {"volume one hundred", "volume 100"},
        {"two hundred thirty four", "234"},
        {"twenty twenty", "20 20"},
        {"switch to spotify for me", "switch to spotify for me"},
        {"what is two plus two", "what is 2 plus 2"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SpeechGrammar::formatNumbers(in), out) << in.toStdString();
    for (int n = 0; n <= 100; ++n)
        EXPECT_EQ(SpeechGrammar::formatNumbers(QString::fromStdString(SpeechGrammar::numberWords(n))),
                  QString::number(n));
}

TEST(SpeechGrammar, missingWordsGetPronunciationsOfOurOwnOrTheirPhraseIsLeftOut) {
    EXPECT_EQ(SpeechGrammar::pronounce("open", lookup), "OW P AH N");
    EXPECT_EQ(SpeechGrammar::pronounce("unmute", lookup), "AH N M Y UW T");               // our own list
    EXPECT_EQ(SpeechGrammar::pronounce("filemanager", lookup), "F AY L M AE N IH JH ER"); // compound
    EXPECT_EQ(SpeechGrammar::pronounce("xfc", lookup), "EH K S EH F S IY");               // letter by letter
    EXPECT_EQ(SpeechGrammar::pronounce("zorblax", lookup), std::nullopt);

    std::map<std::string, std::string> added;
    EXPECT_EQ(SpeechGrammar::words("Open Terminal!", lookup, added),
              (std::vector<std::string>{"open", "terminal"}));
    EXPECT_EQ(SpeechGrammar::words("volume 40", lookup, added),
              (std::vector<std::string>{"volume", "forty"}));
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(SpeechGrammar::words("open filemanager", lookup, added),
              (std::vector<std::string>{"open", "filemanager"}));
    EXPECT_EQ(added.count("filemanager"), 1u);
    // Grammar operators and letters outside ASCII never reach the grammar text.
    EXPECT_EQ(SpeechGrammar::words("open a+b", lookup, added), std::nullopt);
    EXPECT_EQ(SpeechGrammar::words("open <x>|y", lookup, added), std::nullopt);
    EXPECT_EQ(SpeechGrammar::words(QString::fromUtf8("open café"), lookup, added), std::nullopt);
    EXPECT_EQ(SpeechGrammar::words("...", lookup, added), std::nullopt);
}

namespace {

using Shapes = SpeechShapes;
using Slot = Shapes::Slot;

Shapes openAppShapes(QStringList apps) {
    Shapes shapes;
    shapes.shapes = {{Shapes::word({"open"}), Shapes::slot({Slot::app})}};
    shapes.names[Slot::app] = std::move(apps);
    return shapes;
}

} // namespace

TEST(SpeechGrammar, buildsOneGrammarOfThePhrasesAndTheShapes) {
    const auto build = SpeechGrammar::build({"open terminal", "center", "centre", "screenshot", "screen shot",
                                             "unmute", "open zorblax", "c++ mode", "", "Open Terminal"},
                                            openAppShapes({"terminal", "zorblax"}), lookup);
    EXPECT_EQ(build.dropped, (QStringList{"open zorblax", "c++ mode", "zorblax"}));
    EXPECT_EQ(build.newWords, (std::map<std::string, std::string>{{"unmute", "AH N M Y UW T"}}));
    // Same-sounding phrases keep their first spelling; repeats are dropped.
    EXPECT_NE(build.jsgf.find("<phrase> = open terminal | center | screenshot | unmute;"), std::string::npos)
        << build.jsgf;
    EXPECT_NE(build.jsgf.find("<shape0> = (open) (<app>);"), std::string::npos) << build.jsgf;
    EXPECT_NE(build.jsgf.find("<app> = terminal;"), std::string::npos) << build.jsgf;

    // Without phrases or shapes a valid grammar still comes out.
    const auto bare = SpeechGrammar::build({}, {}, lookup);
    EXPECT_NE(bare.jsgf.find("public <utterance> = <level>;"), std::string::npos) << bare.jsgf;
}

// A shape whose slot has no names is left out; an optional place without words is
// skipped; counts and levels are number words.
TEST(SpeechGrammar, shapesReachNoFurtherThanTheirNames) {
    Shapes shapes = openAppShapes({"terminal", "file manager"});
    shapes.shapes.push_back({Shapes::word({"end"}), Shapes::slot({Slot::setup})});
    shapes.shapes.push_back({Shapes::word({"sort"}), Shapes::slot({Slot::count}, true),
                             Shapes::word({"windows", "zorblax"}, true)});
    const auto build = SpeechGrammar::build({}, shapes, lookup);
    EXPECT_EQ(build.jsgf.find("<setup>"), std::string::npos) << build.jsgf;
    EXPECT_NE(build.jsgf.find("<app> = terminal | file manager;"), std::string::npos) << build.jsgf;
    EXPECT_NE(build.jsgf.find("(sort) [<count>] [windows]"), std::string::npos) << build.jsgf;
    EXPECT_NE(build.jsgf.find("<count> = one | two"), std::string::npos) << build.jsgf;
}

// A free slot takes a few words out of the common ones and the window's own, each
// marked so the transcript shows no name vouched for it.
TEST(SpeechGrammar, aFreeSlotTakesMarkedCommonWords) {
    Shapes shapes = openAppShapes({"terminal"});
    shapes.shapes.push_back({Shapes::word({"sort"}), Shapes::slot({Slot::free})});
    const auto build = SpeechGrammar::build({"mute"}, shapes, lookup, {}, {"shot", "zorblax"});
    EXPECT_NE(build.jsgf.find("<free> = <word> [<word>] [<word>] [<word>];"), std::string::npos)
        << build.jsgf;
    EXPECT_NE(build.jsgf.find("<word> = mute_ | shot_ | terminal_;"), std::string::npos) << build.jsgf;
    EXPECT_EQ(build.newWords.at("shot_"), "SH AA T");
    EXPECT_EQ(SpeechGrammar::unmarked("save shot_ terminal_"), "save shot terminal");
}

// Names the dictionary lacks go to the letter-to-sound model rather than out of the
// grammar; our own spellings and dictionary compounds still come first.
TEST(SpeechGrammar, wordsNoRuleKnowsGoToTheLetterToSoundModel) {
    int asked = 0;
    const SpeechGrammar::Lookup guess = [&](const std::string& word) -> std::optional<std::string> {
        ++asked;
        if (word == "galculator")
            return "G AE L K Y AH L EY T ER";
        return std::nullopt;
    };
    EXPECT_EQ(SpeechGrammar::pronounce("galculator", lookup, guess), "G AE L K Y AH L EY T ER");
    EXPECT_EQ(SpeechGrammar::pronounce("unmute", lookup, guess), "AH N M Y UW T");
    EXPECT_EQ(SpeechGrammar::pronounce("filemanager", lookup, guess), "F AY L M AE N IH JH ER");
    EXPECT_EQ(SpeechGrammar::pronounce("zorblax", lookup, guess), std::nullopt);
    EXPECT_EQ(asked, 2);

    const auto build =
        SpeechGrammar::build({"open galculator"}, openAppShapes({"galculator"}), lookup, guess);
    EXPECT_TRUE(build.dropped.isEmpty()) << build.dropped.join(", ").toStdString();
    EXPECT_EQ(build.newWords.at("galculator"), "G AE L K Y AH L EY T ER");
    EXPECT_NE(build.jsgf.find("<app> = galculator;"), std::string::npos) << build.jsgf;
}

TEST(SpeechGrammar, lettersAndDigitsRunTogetherAreSaidApart) {
    const SpeechGrammar::Lookup guess = [](const std::string& word) -> std::optional<std::string> {
        if (word == "imagemagick")
            return "IH M AH G M AA JH IH K";
        if (word == "display")
            return "D IH S P L EY";
        return std::nullopt;
    };
    std::map<std::string, std::string> added;
    EXPECT_EQ(SpeechGrammar::words("ImageMagick (display Q16)", lookup, added, guess),
              (std::vector<std::string>{"imagemagick", "display", "q", "sixteen"}));
    EXPECT_EQ(added.at("q"), "K Y UW");
    EXPECT_EQ(SpeechGrammar::words("mp3 player2", lookup, added, guess),
              std::nullopt);                                                     // "player" unknown here
    EXPECT_EQ(SpeechGrammar::words("2048", lookup, added, guess), std::nullopt); // too long to say
    EXPECT_EQ(SpeechGrammar::words("end 40x", lookup, added, guess),
              (std::vector<std::string>{"end", "forty", "x"}));
    const auto build = SpeechGrammar::build({}, openAppShapes({"ImageMagick (display Q16)"}), lookup, guess);
    EXPECT_NE(build.jsgf.find("<app> = imagemagick display q sixteen;"), std::string::npos) << build.jsgf;
}

TEST(SpeechGrammar, theWordsOfAGrammarAreEveryPlainWordButRuleNames) {
    const auto withSetup = SpeechGrammar::build({"mute", "center", "end center", "volume 75"},
                                                openAppShapes({"terminal"}), lookup);
    const std::set<std::string> words = SpeechGrammar::wordsOf(withSetup.jsgf);
    for (const char* word : {"mute", "end", "center", "seventy", "five", "volume", "terminal", "open"})
        EXPECT_TRUE(words.count(word)) << word << " missing from the words of\n" << withSetup.jsgf;
    for (const char* ruleName : {"shape", "phrase", "app", "utterance", "jsgf"})
        EXPECT_FALSE(words.count(ruleName)) << ruleName;
}

// Free words are spelled by the general model over the stretch the grammar placed
// them: a grammar word beside the stretch that the general model's word reaches
// into is said once, and how sure the general model was of them comes along.
TEST(SpeechReading, freeWordsTakeTheGeneralModelsWordsOnceAndHowSureItWas) {
    using SpeechReading::Word;
    SpeechReading::Reading grammar;
    grammar.words = {Word{"play", 0, 20}, Word{"eight_", 21, 40}, Word{"has_", 41, 60}, Word{"on", 61, 70},
                     Word{"spotify", 71, 110}};
    SpeechReading::Reading general;
    general.words = {Word{"play", 0, 20, 0.9}, Word{"jazz", 21, 50, 0.4}, Word{"on", 51, 66, 0.95},
                     Word{"spotify", 67, 110, 0.99}};
    double sure = 0;
    EXPECT_EQ(SpeechReading::withFreeWordsHeard(grammar, general, &sure), "play jazz on spotify");
    EXPECT_DOUBLE_EQ(sure, 0.4);

    // Nothing heard there: the grammar's own words stand, and nobody vouches for them.
    general.words = {Word{"play", 0, 20}};
    EXPECT_EQ(SpeechReading::withFreeWordsHeard(grammar, general, &sure), "play eight has on spotify");
    EXPECT_DOUBLE_EQ(sure, 0);
}

// A phrase cut short is one whose first word the free slots' grammar heard go on
// another way, into a free slot.
TEST(SpeechReading, aPhraseGoesOnOnlyIntoFreeWords) {
    EXPECT_TRUE(SpeechReading::goesOn("new setup", "new setup called gym_"));
    EXPECT_TRUE(SpeechReading::goesOn("save a setup", "save layout as coding_"));
    EXPECT_FALSE(SpeechReading::goesOn("new setup", "new setup"));
    EXPECT_FALSE(SpeechReading::goesOn("save layout coding", "save layout as coding"));
    EXPECT_FALSE(SpeechReading::goesOn("layout coding", "play eight_ coding_"));
    EXPECT_FALSE(SpeechReading::goesOn("", "play jazz_"));
}

// A shorter form of an app's name is said only where a person would say it: words of
// the model's own dictionary or a long name of its own, of two syllables or more.
// "esr" of "Firefox ESR" (known only by a guess of ours) and "file" (noise fills one
// syllable) stay out.
TEST(SpeechGrammar, shorterNamesAreOnlyWordsAPersonSays) {
    Shapes shapes = openAppShapes({"terminal"});
    shapes.shortAppNames = {"manager", "file", "esr", "file manager", "q16", "zorblax"};
    const auto guessed = [](const std::string& word) -> std::optional<std::string> {
        if (word == "esr")
            return std::optional<std::string>("IY EH S AA R");
        return word == "zorblax" ? std::optional<std::string>("Z AO R B L AE K S") : std::nullopt;
    };
    const auto build = SpeechGrammar::build({}, shapes, lookup, guessed);
    EXPECT_NE(build.jsgf.find("<app> = terminal | manager | file manager | zorblax;"), std::string::npos)
        << build.jsgf;
    EXPECT_EQ(build.newWords.count("esr"), 0u);
}
