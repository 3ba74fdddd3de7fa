#include "shell/SpeechModel.h"

#include "platform/SpeechRecognizer.h"

namespace brisklet {

SpeechModel speechModelOf(const platform::SpeechRecognizer* recognizer) {
    if (!recognizer)
        return SpeechModel::off;
    if (recognizer->isLoading())
        return SpeechModel::loading;
    return recognizer->isAvailable() ? SpeechModel::ready : SpeechModel::off;
}

} // namespace brisklet
