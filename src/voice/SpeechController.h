#pragma once

#include "base/RepeatingTimer.h"
#include "base/Scheduler.h"
#include "platform/SpeechRecognizer.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace brisklet {

// Runs one listening window at a time: audio goes to the recogniser, partial
// transcripts come back while the user speaks, and one final normalised transcript
// (or nothing) when the window ends. Main thread, except appendAudio().
class SpeechController final {
public:
    enum class Mode { hold = 0, timed = 1, open = 2 };
    static QString modeName(Mode mode);

    using PartialHandler = std::function<void(const QString& text)>;
    using Completion = std::function<void(std::optional<QString> text)>;

    // `recognizer` may be null (no recogniser on this machine); it must outlive us.
    explicit SpeechController(platform::SpeechRecognizer* recognizer,
                              Scheduler& scheduler = Scheduler::main());
    ~SpeechController();
    SpeechController(const SpeechController&) = delete;
    SpeechController& operator=(const SpeechController&) = delete;

    // The program's one normaliser of spoken text.
    static QString normalize(const QString& text);

    // The window about to open begins here: what the microphone hears from now on is
    // the window's, not the room before it, however long the window takes to start
    // (its chime, played next, is already sounding by then). Call it just before
    // playing the chime and start() right after.
    void markOpening();
    // Call right after playing the chime: notes where in the window it went out, the
    // capture's backlog (captureBacklog) included.
    void openingSoundPlayed();
    // Opens a window. `onPartial` is told each change of the transcript, except a
    // wordless one after the end of audio or as the final. `completion` is called
    // exactly once with the final normalised text (nullopt when nothing was heard or
    // the recogniser refused its reading), unless the window is cancelled or
    // superseded; when the start is refused it is called at once with nullopt.
    // `openingSound`: the chime just played (16 kHz mono), which the microphone may hear.
    void start(Mode mode, PartialHandler onPartial, Completion completion,
               std::vector<float> openingSound = {});
    // Ends the window of generation `gen`. The final result follows at once when the
    // recogniser has it, within 0.5 s when it owes none, and when it is still decoding,
    // as soon as it comes: within 3 s while decoding stands still, within 8 s while it
    // moves on (a loaded machine, a model still loading). A final that never comes
    // leaves the window with nothing.
    void endListeningWindow(int gen);
    // A held window becomes hands-free; its limits count from now.
    void releaseToOpenEnded();
    // Drops the pending window without calling its completion.
    void cancel();

    // Audio thread: feeds one chunk to the open window, if any.
    void appendAudio(std::span<const float> samples);

    // True when the normalised text is a complete, exact command (ends timed and
    // open windows early).
    std::function<bool(const QString& normalized)> quickMatch;
    // The phrases the recogniser should expect in the next window.
    std::function<QStringList()> vocabularyProvider;
    // How many samples the microphone has heard that have not reached appendAudio()
    // yet (nullopt: not known). Asked as the chime is played.
    std::function<std::optional<std::int64_t>()> captureBacklog;
    // The route the chime goes by: the microphone, the output and the chime itself,
    // as one name (empty: not known). Whether the chime was found is remembered per
    // route, for the last few windows, and forgotten when the route changes.
    std::function<QString()> chimeRoute;
    // The shapes commands are said in, and the names that fill them, in the next window.
    std::function<platform::SpeechShapes()> shapesProvider;

    // The listening window as it stands, in one answer (main thread).
    struct Window {
        bool listening = false;
        Mode mode = Mode::timed;
        double startTime = 0;        // clock seconds when the window opened
        bool heardSomething = false; // a partial transcript has come back
        double now = 0;              // the controller's clock at the time of asking
    };
    Window window() const;

    int generation() const { return generation_; }
    Mode mode() const { return mode_; }
    double startTime() const { return startTime_; }
    const QString& bestTranscript() const { return bestTranscript_; }
    bool isListening() const;

    // Window limits and tick, in seconds.
    static constexpr double tickInterval = 0.2;
    static constexpr double holdLimit = 30.0;
    static constexpr double timedLimit = 4.0;
    static constexpr double openLimit = 30.0;
    static constexpr double openEmptyLimit = 6.0;
    static constexpr double silenceEnd = 1.0;
    static constexpr double quickMatchQuiet = 0.5;
    static constexpr double finishDelay = 0.5;
    // The wait after the end of audio for a final the recogniser still owes: at least
    // finalWaitLimit, and past it as long as decoding moved on within stallLimit (or
    // the model is still loading), up to finalProgressLimit.
    static constexpr double finalWaitLimit = 3.0;
    static constexpr double stallLimit = 1.5;
    static constexpr double finalProgressLimit = 8.0;
    // Room sound kept from before a window and handed to the recogniser with it.
    static constexpr std::size_t preRollSamples = 16000 * 4 / 10;
    // What is kept of the audio after markOpening() until the window starts: a busy
    // main thread takes a while to build the window's vocabulary.
    static constexpr std::size_t openingKeptSamples = 16000;

private:
    void handleResult(int gen, std::optional<platform::RecognitionResult> result, const QString& error);
    void tick(int gen);
    void finish(int gen);
    // `again`: look again a tick later while the final is still owed.
    void finishAfterEnd(int gen, bool again);
    void complete(const QString& text);
    void teardown();
    void remember(std::span<const float> samples);
    std::vector<float> takeHistory();
    double now() const { return scheduler_.clock().now(); }

    platform::SpeechRecognizer* recognizer_;
    Scheduler& scheduler_;
    // Guards request_ and listening_, which the audio thread reads.
    mutable std::mutex lock_;
    std::shared_ptr<platform::RecognitionRequest> request_;
    bool listening_ = false;
    // The latest audio while nobody listens: a ring of preRollSamples and
    // openingKeptSamples, next write at historyAt_.
    std::vector<float> history_;
    std::size_t historyAt_ = 0;
    std::size_t historyFilled_ = 0;
    // How much of it came after markOpening(), if it was called.
    std::optional<std::size_t> sinceOpening_;
    // Where the chime went out in the window, and whether that counts the capture's
    // backlog, once openingSoundPlayed() said so (main thread).
    struct PlayedAt {
        std::size_t sample = 0;
        bool backlogIncluded = false;
    };
    std::optional<PlayedAt> openingSoundPlayed_;
    // Whether the chime was found in the route's last windows, newest last; the route
    // of the open window, empty where its chime is not remembered.
    static constexpr std::size_t chimeWindowsKept = 3;
    QString chimeRoute_;
    std::deque<bool> chimeFound_;
    QString windowRoute_;
    int generation_ = 0;
    std::unique_ptr<RepeatingTimer> tickTimer_;
    double startTime_ = 0;
    double lastChange_ = 0;
    QString bestTranscript_;
    Completion completion_;
    PartialHandler onPartial_;
    bool endAudioSent_ = false;
    // After the end of audio: when it ended, and the recogniser's progress as last seen
    // and when it last moved on.
    double endedAt_ = 0;
    std::size_t progressSeen_ = 0;
    double progressAt_ = 0;
    Mode mode_ = Mode::timed;
    // Work scheduled for later holds this weakly and does nothing once we are gone.
    std::shared_ptr<SpeechController*> self_;
};

} // namespace brisklet
