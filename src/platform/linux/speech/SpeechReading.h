#pragma once

#include <QString>
#include <QStringList>

#include <pocketsphinx.h>

#include <string>
#include <vector>

// What a decoder heard, and how a grammar's free words are read against the
// general model's transcript.
namespace brisklet::platform::SpeechReading {

struct Word {
    QString text;
    int start = 0, end = 0; // frames
    double posterior = 1;   // how sure the decoder is of it, 0…1
    int acoustic = 0;       // the sound's score of the word alone, no grammar or insertion odds
};

struct Reading {
    QString text;
    double scorePerFrame = -1e9;
    int speechFrames = 0;
    int frames = 0;          // the utterance's, which the path ends with
    std::vector<Word> words; // real words only, in order
};

// A decoder's best path so far, with its score per frame and its real words.
Reading read(ps_decoder_t* ps);

// The `most` likeliest words of the general model that the dictionary can say.
std::vector<std::string> commonWords(ps_decoder_t* general, int most);

// Whether the general model heard what carries a grammar text with free words: its
// first word, or another of its own (not free) words of four letters or more, said
// nearly alike ("shave" for "save", "laid out" for "layout"). A question forced into
// "play …" keeps no such word.
bool carrierHeard(ps_decoder_t* ps, const QString& grammarText, const QString& generalText);

// Whether the general model heard a word, or one said nearly alike ("and" for "end"),
// in its text; a word of two phones or fewer only said the same.
bool heardAlike(ps_decoder_t* ps, const QString& word, const QString& generalText);
// The same for a word said with these phones (one the general model may not know).
bool heardAlike(ps_decoder_t* ps, const QStringList& phones, const QString& generalText);

// Whether words sound as these phones do, or up to `phonesOff` phones off ("and" for
// "end"; two off, "then" and "in" for "end").
bool soundAlike(ps_decoder_t* ps, const QStringList& phones, const QStringList& words, int phonesOff = 1);

// A word's phones as the decoder's dictionary says them; none where it lacks the word.
QStringList phonesOf(ps_decoder_t* ps, const QString& word);

// Whether a grammar text with free words goes another way from a text that starts
// with the same word: "new setup called gym_" or "save layout as coding_" from "new
// setup" or "save a setup".
bool goesOn(const QString& text, const QString& withFree);

// The grammar's text with each run of free words replaced by what the general model
// heard over the same stretch: the grammar places a new name, the general model,
// which knows every word, spells it. Where it heard nothing there, the grammar's
// own words stay.
// `leastSure`, when given, receives the lowest posterior among the words taken.
QString withFreeWordsHeard(const Reading& grammar, const Reading& general, double* leastSure = nullptr);

} // namespace brisklet::platform::SpeechReading
