#include "platform/linux/speech/FliteLexicon.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace brisklet::platform;

namespace {

const std::set<std::string> modelPhones = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH",
                                           "EH", "ER", "EY", "F",  "G",  "HH", "IH", "IY", "JH", "K",
                                           "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",  "S",  "SH",
                                           "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH"};

bool inModelSet(const std::string& phones) {
    std::istringstream in(phones);
    std::string phone;
    int n = 0;
    while (in >> phone) {
        if (!modelPhones.count(phone))
            return false;
        ++n;
    }
    return n > 0;
}

} // namespace

TEST(FliteLexicon, namesNoDictionaryHoldsGetPhonesOfTheSpeechModel) {
    for (const char* word : {"galculator", "uxterm", "imagemagick", "featherpad", "mousepad", "xclock",
                             "brisklet", "qwxzv", "a"}) {
        const auto phones = FliteLexicon::pronounce(word);
        ASSERT_TRUE(phones) << word;
        EXPECT_TRUE(inModelSet(*phones)) << word << ": " << *phones;
    }
    EXPECT_EQ(FliteLexicon::pronounce("galculator"), "G AE L K Y AH L EY T ER");
    // Asked again, the same answer (from the cache).
    EXPECT_EQ(FliteLexicon::pronounce("galculator"), "G AE L K Y AH L EY T ER");
}

TEST(FliteLexicon, onlyPlainLowerCaseWordsAreLookedUp) {
    EXPECT_EQ(FliteLexicon::pronounce(""), std::nullopt);
    EXPECT_EQ(FliteLexicon::pronounce("Galculator"), std::nullopt);
    EXPECT_EQ(FliteLexicon::pronounce("a+b"), std::nullopt);
    EXPECT_EQ(FliteLexicon::pronounce("caf\xc3\xa9"), std::nullopt);
    EXPECT_EQ(FliteLexicon::pronounce(std::string(200, 'a')), std::nullopt);
}

TEST(FliteLexicon, flitePhonesMapOntoTheModelsSet) {
    EXPECT_EQ(FliteLexicon::modelPhones("ax0"), "AH");
    EXPECT_EQ(FliteLexicon::modelPhones("axr"), "ER");
    EXPECT_EQ(FliteLexicon::modelPhones("el"), "AH L");
    EXPECT_EQ(FliteLexicon::modelPhones("hh"), "HH");
    EXPECT_EQ(FliteLexicon::modelPhones("ey1"), "EY");
    EXPECT_EQ(FliteLexicon::modelPhones("pau"), "");
    EXPECT_EQ(FliteLexicon::modelPhones("x-"), "");
}
