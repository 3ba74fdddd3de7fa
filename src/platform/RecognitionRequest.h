#pragma once

#include "platform/SpeechShapes.h"

#include <QStringList>

#include <condition_variable>
#include <cstddef>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace brisklet::platform {

// The audio of one listening window. The audio thread appends 16 kHz mono chunks,
// the recogniser's worker takes them. Once the window has ended or been cancelled
// every further append is dropped, so a late chunk can never reach the next window.
class RecognitionRequest final {
public:
    explicit RecognitionRequest(QStringList contextualStrings = {}, SpeechShapes shapes = {});

    // Phrases the recogniser should expect (commands, setup and app names).
    const QStringList& contextualStrings() const { return contextual_; }

    // The shapes commands are said in and the names that fill them.
    const SpeechShapes& shapes() const { return shapes_; }

    // The room sound just before the window (16 kHz mono), for the recogniser to learn
    // the noise from without hearing it as speech. Set before the request is handed
    // to the recogniser.
    void setPreRoll(std::vector<float> samples) { preRoll_ = std::move(samples); }
    const std::vector<float>& preRoll() const { return preRoll_; }

    // Our own chime played as the window opened, 16 kHz mono (empty: none was heard):
    // the microphone may hear it at the window's start, and it is nobody speaking.
    void setOpeningSound(std::vector<float> samples) { openingSound_ = std::move(samples); }
    const std::vector<float>& openingSound() const { return openingSound_; }
    // How many of the window's samples the microphone had already given when the chime
    // was played: it cannot be heard before there (none: not known). `backlogIncluded`:
    // the count takes in what the capture still held then (the server's buffer, the
    // ring), so the chime is due right there, but for the server's start; without it
    // that backlog comes on top.
    void setOpeningSoundAt(std::optional<std::size_t> sample, bool backlogIncluded = false) {
        openingSoundAt_ = sample;
        openingSoundBacklogIncluded_ = sample && backlogIncluded;
    }
    std::optional<std::size_t> openingSoundAt() const { return openingSoundAt_; }
    bool openingSoundBacklogIncluded() const { return openingSoundBacklogIncluded_; }
    // Whether this route's microphone (the same input, output and chime) found our
    // chime in its last windows. Where it did and this window's search finds nothing,
    // the chime still lies where it was due, and what is heard only there is not a word.
    void setOpeningSoundHeardLately(bool heard) { openingSoundHeardLately_ = heard; }
    bool openingSoundHeardLately() const { return openingSoundHeardLately_; }
    // The recogniser says whether it found the chime, once it has looked. Any thread.
    void noteOpeningSoundFound(bool found) { openingSoundFound_ = found ? 1 : 0; }
    std::optional<bool> openingSoundFound() const {
        const int found = openingSoundFound_;
        return found < 0 ? std::nullopt : std::optional<bool>(found == 1);
    }

    // Any thread. Ignored after endAudio() or cancel().
    void append(std::span<const float> samples);
    // No more audio: the recogniser finishes what it has and reports the final result.
    void endAudio();
    // Drop the window: the recogniser stops and reports nothing more.
    void cancel();
    bool isEnded() const;
    bool isCancelled() const;

    // Recogniser side. Waits for the next chunk and moves it into `out`.
    enum class Next { audio, ended, cancelled };
    Next next(std::vector<float>& out);
    // Recogniser side: one chunk taken by next() has been fully decoded.
    void chunkDone();
    // Recogniser side: decoding moved on without a chunk (a grammar loaded, a pass of
    // the final decoded). chunkDone() counts as progress too.
    void markProgress();
    // How often decoding has moved on: while it grows, a final still owed is on its way.
    std::size_t progress() const;
    // Chunks appended but not yet decoded (for measuring).
    std::size_t backlog() const;
    // After endAudio(): the recogniser still owes this window its final result. It
    // holds audio it has not decoded, or it has taken from the request and so runs a
    // final pass once the audio is done (taking marks it: next() is the recogniser's
    // side). False after cancel().
    bool isFinalPending() const;

private:
    const QStringList contextual_;
    const SpeechShapes shapes_;
    std::vector<float> preRoll_;
    std::vector<float> openingSound_;
    std::optional<std::size_t> openingSoundAt_;
    bool openingSoundBacklogIncluded_ = false;
    bool openingSoundHeardLately_ = false;
    std::atomic<int> openingSoundFound_{-1}; // -1: not looked for yet
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::vector<float>> chunks_;
    std::size_t inFlight_ = 0;
    std::size_t progress_ = 0;
    bool taken_ = false;
    bool ended_ = false;
    bool cancelled_ = false;
};

} // namespace brisklet::platform
