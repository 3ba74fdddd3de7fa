#pragma once

// The recogniser's decoders: the model they load and the grammars a window installs.
// Only the recogniser's worker thread touches them.
#include "platform/linux/speech/CmnPrior.h"
#include "platform/linux/speech/PhoneLoop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "platform/linux/speech/SpeechGrammar.h"

#include <pocketsphinx.h>

#include <memory>
#include <string>
#include <vector>

namespace brisklet::platform {

// A grammar decoder with the grammar it has loaded.
struct GrammarDecoder {
    ps_decoder_t* ps = nullptr;
    CmnPrior prior;
    std::string loaded;
    bool ready = false;
};

struct PocketSphinxRecognizer::Decoders {
    // The window's phrases and the shapes without free slots, judged as ever; and
    // everything the matcher reads, free slots too, asked only when the first is
    // not trusted: its larger grammar scores right paths lower, above all in noise.
    GrammarDecoder fixed;
    GrammarDecoder shapes;
    ps_decoder_t* general = nullptr;
    CmnPrior generalPrior;
    std::vector<std::string> commonWords;
    // What each reading is weighed against; none where it did not load.
    std::unique_ptr<PhoneLoop> phones;

    ~Decoders() {
        for (ps_decoder_t* ps : {fixed.ps, shapes.ps, general})
            if (ps)
                ps_free(ps);
    }
};

// Loads a grammar into a decoder unless it has it already; where it fails, the
// decoder is left not ready.
void installGrammar(GrammarDecoder& d, ps_decoder_t* general, const SpeechGrammar::Build& grammar);

} // namespace brisklet::platform
