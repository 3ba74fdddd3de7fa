#pragma once

#include "platform/SpeechShapes.h"

#include <QString>

#include <pocketsphinx.h>

#include <map>
#include <set>

namespace brisklet::platform {

// Whether the general model's hearing agrees with a grammar's reading where the
// reading's action is decided. A grammar always finds some path, so a reading is
// acted on only when the general model, which may hear anything, heard
//  - the reading's verb, or a word said alike ("and" for "end");
//  - for a name said alone, no verb of another kind ("end writing room" heard by the
//    grammar as "writing room" must not run it);
//  - for free words, what carries them ("play", "save layout as" …).
// Otherwise the window goes on with the general model's text. A wrong action is
// worse than a miss: this never lets a reading through that the thresholds refuse.
class SpeechAgreement final {
public:
    // `general` is the general model's decoder; its dictionary spells what it heard.
    SpeechAgreement(ps_decoder_t* general, const SpeechShapes& shapes);

    // `reading` is the grammar's text, free words marked; `grammar` the decoder whose
    // dictionary spells it.
    bool agrees(ps_decoder_t* grammar, const QString& reading, const QString& generalText) const;
    // Whether a reading that did not agree opens with a verb of another kind than a
    // name alone picks, while the general model heard no verb at all: its text would
    // be read as a name alone, the opposite of what the grammar heard.
    bool contradicts(const QString& reading, const QString& generalText) const;

private:
    bool nameAlone(const QStringList& words) const;
    bool heardVerbNotOf(const QString& kind, const QString& generalText) const;

    ps_decoder_t* general_;
    std::map<QString, QString> kinds_;
    QString aloneKind_;
    std::set<QString> names_; // as a transcript writes them: normalised, numbers in digits
};

} // namespace brisklet::platform
