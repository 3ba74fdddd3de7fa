#include "platform/linux/speech/SpeechDictionary.h"

#include "platform/linux/speech/SpeechGrammar.h"

#include <QStringList>

#include <sphinxbase/ckd_alloc.h>

namespace brisklet::platform::SpeechDictionary {

std::optional<std::string> phonesOf(ps_decoder_t* decoder, const std::string& word) {
    char* phones = ps_lookup_word(decoder, word.c_str());
    if (!phones)
        return std::nullopt;
    std::string out(phones);
    ckd_free(phones);
    return out;
}

std::vector<std::string> pronunciations(ps_decoder_t* decoder, const std::string& word) {
    std::vector<std::string> out;
    for (int alt = 1;; ++alt) {
        const auto phones = phonesOf(decoder, alt == 1 ? word : word + '(' + std::to_string(alt) + ')');
        if (!phones)
            break;
        out.push_back(*phones);
    }
    return out;
}

std::optional<std::string> lookUpWord(ps_decoder_t* grammar, ps_decoder_t* general, const std::string& word) {
    if (auto phones = phonesOf(grammar, word))
        return phones;
    const std::vector<std::string> all = pronunciations(general, word);
    if (all.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string name = i == 0 ? word : word + '(' + std::to_string(i + 1) + ')';
        ps_add_word(grammar, name.c_str(), all[i].c_str(), FALSE);
    }
    return all.front();
}

int syllablesOf(ps_decoder_t* decoder, const QString& text) {
    int n = 0;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto phones = phonesOf(decoder, word.toStdString());
        n += phones ? SpeechGrammar::syllables(*phones) : 2;
    }
    return n;
}

} // namespace brisklet::platform::SpeechDictionary
