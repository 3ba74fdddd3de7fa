#pragma once

#include <QString>

#include <pocketsphinx.h>

#include <optional>
#include <string>
#include <vector>

// What a decoder's dictionary says of words, and copying words between decoders.
namespace brisklet::platform::SpeechDictionary {

// A word's first pronunciation; none where the dictionary lacks it.
std::optional<std::string> phonesOf(ps_decoder_t* decoder, const std::string& word);

// Every pronunciation the dictionary has for a word ("word", "word(2)" and on), its
// own first.
std::vector<std::string> pronunciations(ps_decoder_t* decoder, const std::string& word);

// A word's pronunciation for a grammar decoder; one it lacks is copied over from the
// general decoder's dictionary with all its pronunciations.
std::optional<std::string> lookUpWord(ps_decoder_t* grammar, ps_decoder_t* general, const std::string& word);

// Syllables of a text as the dictionary says it; a word it lacks counts two.
int syllablesOf(ps_decoder_t* decoder, const QString& text);

} // namespace brisklet::platform::SpeechDictionary
