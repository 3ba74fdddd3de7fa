#include "platform/linux/SpeechGrammar.h"

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

TEST(SpeechGrammar, buildsOneGrammarOfThePhrasesAndTheCommandPatterns) {
    const auto build = SpeechGrammar::build({"open terminal", "center", "centre", "screenshot", "screen shot",
                                             "unmute", "open zorblax", "c++ mode", "", "Open Terminal"},
                                            lookup);
    EXPECT_EQ(build.dropped, (QStringList{"open zorblax", "c++ mode"}));
    EXPECT_EQ(build.newWords, (std::map<std::string, std::string>{{"unmute", "AH N M Y UW T"}}));
    // Same-sounding phrases keep their first spelling; repeats are dropped.
    EXPECT_NE(build.jsgf.find("<phrase> = open terminal | center | screenshot | unmute;"), std::string::npos)
        << build.jsgf;
    EXPECT_NE(build.jsgf.find("volume <level>"), std::string::npos);
    EXPECT_NE(build.jsgf.find("seventy five"), std::string::npos);
    EXPECT_NE(build.jsgf.find("<verb> <phrase>"), std::string::npos);

    // Only setup names (phrases that come with an "end" form) take the setup phrasings.
    EXPECT_EQ(build.jsgf.find("<setup>"), std::string::npos);
    const auto withSetup = SpeechGrammar::build({"mute", "center", "end center"}, lookup);
    EXPECT_NE(withSetup.jsgf.find("<setup> = center;"), std::string::npos) << withSetup.jsgf;
    EXPECT_NE(withSetup.jsgf.find("<setupverb> <setup> setup | <setup> setup"), std::string::npos);

    // Without phrases the patterns still make a valid grammar.
    const auto bare = SpeechGrammar::build({}, lookup);
    EXPECT_EQ(bare.jsgf.find("<phrase>"), std::string::npos);
    EXPECT_NE(bare.jsgf.find("public <utterance> = volume <level>"), std::string::npos);
}

TEST(SpeechGrammar, theWordsOfAGrammarAreEveryPlainWordButRuleNames) {
    const auto withSetup = SpeechGrammar::build({"mute", "center", "end center", "volume 75"}, lookup);
    const std::set<std::string> words = SpeechGrammar::wordsOf(withSetup.jsgf);
    for (const char* word : {"mute", "end", "center", "setup", "seventy", "five", "volume"})
        EXPECT_TRUE(words.count(word)) << word << " missing from the words of\n" << withSetup.jsgf;
    for (const char* ruleName : {"setupverb", "phrase", "level", "utterance", "jsgf"})
        EXPECT_FALSE(words.count(ruleName)) << ruleName;
}
