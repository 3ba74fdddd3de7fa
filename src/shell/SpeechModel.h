#pragma once

namespace brisklet {
namespace platform {
class SpeechRecognizer;
}

// Where the recogniser's model stands: still loading, ready to hear, or off
// (missing, failed, or no recogniser at all).
enum class SpeechModel { loading, ready, off };

// One answer from one read. The recogniser marks itself available before it stops
// loading, so loading is asked first: a load that ends between the two questions
// then reads as loading or ready, never as a model that is neither. Any thread.
SpeechModel speechModelOf(const platform::SpeechRecognizer* recognizer);

} // namespace brisklet
