#pragma once

#include "platform/SpeechRecognizer.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet::test {

// Speech made at run time with flite and espeak-ng (several voices) and sox, 16 kHz mono, with
// noisy twins that carry pink noise at a chosen signal-to-noise ratio.
namespace SpeechSet {

struct Clip {
    QString file;     // WAV path
    QString spoken;   // what the voice says
    QString expected; // the normalised transcript wanted; empty for a free question
    QString voice;
    bool noisy = false;
    QString condition; // "clean", "noisy", or a user's own label
    QString roomFile;  // the room's sound just before the clip (WAV); empty: none
};

struct Phrase {
    QString spoken;
    QString expected; // empty: a free question that must not become a command
};

// Built-in commands, parametric phrases, setup names and free questions.
std::vector<Phrase> commandPhrases();
std::vector<Phrase> questions();
// The phrases a listening window is biased with (enabled command phrases, setup
// names with their "end" forms, app names), as the app passes them.
QStringList biasPhrases();
// The shapes commands are said in, with setups and apps for names, as the command
// layer would describe them.
platform::SpeechShapes biasShapes();
QStringList voices();
// The voices of a group: "tuning" (every constant of the rule is chosen on them) or
// "checking" (only reported on); empty for another name.
QStringList voiceGroup(const QString& group);
// Whether espeak-ng speaks a voice ("en-gb+f2"); flite speaks the others ("slt").
bool isEspeakVoice(const QString& voice);

// Speaks every phrase in every voice into `folder`, each clean and (when `snrDb` is
// given) noisy. Clean and noisy clips alternate in the returned order. Fails (empty
// list and `error`) when flite or sox is missing or fails.
std::vector<Clip> generate(const QString& folder, const std::vector<Phrase>& phrases,
                           const QStringList& voices, std::optional<double> snrDb, QString* error);

// A user's set: a folder of WAV files and a TSV of file name, tab, expected
// transcript (empty for a free question), and optionally a tab and the condition
// ("clean", "noisy", "car" …; anything but "clean" counts as noisy), a tab and the voice. The files are
// converted with sox to 16 kHz mono into `workFolder`; each clip's room sound is the
// recording's own lead-in before the speech (none when the speech starts at once).
std::vector<Clip> loadUserSet(const QString& folder, const QString& tsv, const QString& workFolder,
                              QString* error);

// The chime the app plays as a listening window opens, at our rate; empty when the
// program's sound is missing.
std::vector<float> listeningChime();

// A clip's samples as mono float (channels mixed); null when unreadable.
std::optional<std::vector<float>> readClip(const QString& path);

// Samples as the recogniser hands them to its decoders: blocks of 512 16-bit samples.
std::vector<std::vector<std::int16_t>> pcmBlocks(const std::vector<float>& samples);

// The samples at an RMS level of `dbfs`.
std::vector<float> scaledTo(std::vector<float> samples, double dbfs);
// Pink noise, the same for the same seed.
std::vector<float> pinkNoise(std::size_t count, unsigned seed);
// `speech` with pink noise at `snrDb` below the speech's active level.
std::vector<float> mixNoise(const std::vector<float>& speech, double snrDb, unsigned seed);
// `count` samples of that noise alone, as the room sounds before the speech.
std::vector<float> roomNoise(const std::vector<float>& speech, double snrDb, unsigned seed,
                             std::size_t count);

struct Decoded {
    std::optional<QString> finalText;
    QStringList partials;
    QString error;
    double endToFinalSeconds = 0; // from the end of audio to the final result
    double decodeSeconds = 0;     // wall time of the whole decode
};

// Feeds `samples` in 512-sample chunks to one request, waits until the recogniser
// has caught up, ends the audio and waits for the final result.
Decoded decode(platform::SpeechRecognizer& recognizer, const std::vector<float>& samples,
               const QStringList& context, const platform::SpeechShapes& shapes = biasShapes(),
               const std::vector<float>& preRoll = {}, double timeoutSeconds = 30);
// The same for a request made by the caller (its audio is appended here).
Decoded decode(platform::SpeechRecognizer& recognizer, const std::vector<float>& samples,
               std::shared_ptr<platform::RecognitionRequest> request, const std::vector<float>& preRoll = {},
               double timeoutSeconds = 30);
// The room sound of a clip (its roomFile), empty when it has none.
std::vector<float> roomOf(const Clip& clip);

} // namespace SpeechSet
} // namespace brisklet::test
