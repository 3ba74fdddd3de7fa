#pragma once

#include "platform/SpeechShapes.h"
#include "platform/linux/speech/PhoneLoop.h"
#include "platform/linux/speech/SpeechReading.h"

#include <QString>
#include <QStringList>

#include <pocketsphinx.h>

#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace brisklet::platform {

// Whether the general model's hearing agrees with a grammar's reading where a wrong
// reading would do most harm. A grammar always finds some path, so a reading is
// acted on only when the general model, which may hear anything, heard
//  - the verb of a reading that ends or quits something, runs a setup or brings an
//    app forward, or a word said alike ("and" for "end") that is no command word of
//    another kind ("play" is not "apply");
//  - for a setup's name said alone, no verb that ends beside the name's own words
//    ("end writing room" heard by the grammar as "writing room" must not run it);
//  - for free words, what carries them ("play", "save layout as" …).
// A wrong action is worse than a miss: this never lets a reading through that the
// thresholds refuse.
class SpeechAgreement final {
public:
    // `general` is the general model's decoder; its dictionary spells what it heard.
    SpeechAgreement(ps_decoder_t* general, const SpeechShapes& shapes);

    // `reading` is the grammar's text, free words marked; `grammar` the decoder whose
    // dictionary spells it.
    bool agrees(ps_decoder_t* grammar, const QString& reading, const QString& generalText) const;

    // How much harm a reading does when it is wrong, so how sure the sound must be of it.
    enum class Harm {
        mild,   // a volume, a medium, a window moved: undone by saying it again
        strong, // an app opened or brought forward, a layout applied
        severe, // an app quit or closed, a setup ended or run
    };
    Harm harmOf(const QString& reading) const;
    // Whether a reading captures a setup: it says the word "setup" but names none and
    // neither runs nor ends one ("make a setup").
    bool capturesSetup(const QString& reading) const;
    // Whether a reading brings an app forward ("switch to", "show" …).
    bool bringsForward(const QString& reading) const;
    // Whether a word of a reading decides what is done: not a small word that only
    // joins ("the", "to", "my"), nor a free word the general model spells.
    static bool decides(const QString& word);

    // What the general model heard where a reading that quits, ends or runs something
    // says its verb and the small words after it, when it heard other words there
    // than those or words said alike: "it" for the "end" of "end everyday", "shut up"
    // for the "shut that" of "shut that morning". The sound bears such a verb out
    // over the phone loop, so it is weighed against those words over the same place.
    // Where the general model heard nothing there, the verb is weighed against what a
    // stretch it hears as no word holds: a short word or a filler, silence, and at the
    // window's start the end of a verb said before the window opened. A setup's name
    // said alone at the window's start is weighed so too: the end of a verb before it
    // ("end" cut off to its "d") against the room's silence.
    struct Rival {
        int place = 0;       // how many of the reading's first words: the verb and its small words
        QStringList heard;   // the general model's words over them; none: it heard no word there
        bool atEdge = false; // the window's audio began with somebody speaking
        // The two weighings a rival asks for, each by a key no reading's text can be:
        // the reading with only its place deciding, and the general model's words in
        // that place (or what it heard as no word) before the rest of the reading.
        QString saidKey(const QString& reading) const;
        QString heardKey(const QString& reading) const;
        std::vector<std::pair<QString, PhoneLoop::Candidate>> weighings(ps_decoder_t* grammar,
                                                                        ps_decoder_t* general,
                                                                        const QString& reading,
                                                                        const std::set<QString>& verbs) const;
    };
    // `openedOnVoice`: the window's audio began with somebody speaking.
    std::optional<Rival> rivalOf(const SpeechReading::Reading& reading, const SpeechReading::Reading& general,
                                 bool openedOnVoice) const;
    // The verbs whose end may lie just before a window's audio.
    std::set<QString> verbs() const;

    // Whether the general model heard a question: its first word after the fillers
    // (and what it makes of "uh" and "um": "but", "the", "and" …) opens one, and
    // more than a name follows.
    bool heardQuestion(const QString& generalText) const;
    // Where a text ends or quits something or undoes, and the sound may hold something
    // else in its verb's place: the text as said, its verb deciding, then the same place
    // filled with what else may have been said there, each only deciding. An end or a
    // quit is weighed where the window opened on a voice or the general model heard a
    // word in the verb's place ("but calculator" for "quit galculator"), against the
    // other verbs the grammar allows there (and where the window opened on a voice, the
    // end of one), the general model's own first word, and the short words said before
    // names ("it every day"); a general "and" before a name is read as "end" and
    // weighed so. An undo is weighed where the window opened on a voice or the general
    // model heard something else, against "unmute", "mute" and the general model's
    // words. None otherwise.
    // The readings, the text's own first; after it the `verbs` readings with other
    // command words in its place, then those with other words.
    struct VerbRivals {
        std::vector<PhoneLoop::Candidate> readings;
        std::size_t verbs = 0;
        // The general model heard, in the verb's place, one of the short words said
        // before names ("the deep work setup"), not the verb nor a word said alike.
        bool shortWordHeard = false;
        // How much better the best other command word, and the best other word,
        // explain the verb's place than the verb, from the phone loop's supports of
        // `readings`; unweighed (no support for the text's own reading), both infinite.
        struct Leads {
            double verb = std::numeric_limits<double>::infinity();
            double word = std::numeric_limits<double>::infinity();
        };
        Leads leads(const std::vector<std::optional<double>>& supports) const;
    };
    VerbRivals verbRivals(ps_decoder_t* grammar, const QString& text, const QString& generalText,
                          bool openedOnVoice) const;

private:
    QStringList placePhones(const QStringList& said) const;
    bool namesSetup(QStringList words) const;
    bool endsInSetup(const QStringList& words) const;
    const std::set<QString>& kindOf(const QString& verb) const;
    QString withoutOtherVerbs(const std::set<QString>& kind, const QString& generalText) const;
    bool heardAnyOf(const std::set<QString>& kind, const QString& generalText) const;

    ps_decoder_t* general_;
    std::set<QString> endVerbs_, runVerbs_, focusVerbs_;
    std::set<QString> commandWords_; // the first word of every shape: verbs and carriers
    std::set<QString> setups_;       // as a transcript writes them: normalised, numbers in digits
    std::set<QString> questionWords_, fillers_;
    std::set<QString> otherVerbs_; // the verbs before a name that do not end it ("open", "switch to")
};

} // namespace brisklet::platform
