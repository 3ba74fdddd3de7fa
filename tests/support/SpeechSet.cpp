#include "support/SpeechSet.h"

#include "base/Text.h"
#include "support/WavFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <thread>

namespace brisklet::test::SpeechSet {

namespace {

// Room sound before each clip: 0.4 s, as the app keeps.
constexpr std::size_t kRoomSamples = 6400;

bool run(const QString& program, const QStringList& args, QString* error) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(10000)) {
        if (error)
            *error = program + " could not be started";
        return false;
    }
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = program + " " + args.join(' ') +
                     " failed: " + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

QString slug(const QString& text) {
    QString out;
    for (QChar c : Text::normalize(text))
        out += c.isLetterOrNumber() ? c : QChar('_');
    return out.left(48);
}

double activeRms(const std::vector<float>& samples) {
    // The level of the louder frames, so the padding's silence does not dilute it.
    std::vector<double> frames;
    for (std::size_t i = 0; i + 512 <= samples.size(); i += 512) {
        double sum = 0;
        for (std::size_t k = i; k < i + 512; ++k)
            sum += double(samples[k]) * samples[k];
        frames.push_back(sum / 512);
    }
    if (frames.empty())
        return 0;
    std::sort(frames.begin(), frames.end());
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = frames.size() / 2; i < frames.size(); ++i, ++n)
        sum += frames[i];
    return std::sqrt(sum / double(n));
}

// The room sound of a recording: its lead-in before the speech starts, the last 0.4 s
// of it at most, ending a little before the first frame that rises halfway (in dB)
// from the room's level to the speech's. Empty when the speech starts at once.
std::vector<float> leadIn(const std::vector<float>& samples) {
    constexpr std::size_t frame = 512;
    constexpr std::size_t guardFrames = 3; // a word's first sounds are faint
    std::vector<double> levels;
    for (std::size_t i = 0; i + frame <= samples.size(); i += frame) {
        double sum = 0;
        for (std::size_t k = i; k < i + frame; ++k)
            sum += double(samples[k]) * samples[k];
        levels.push_back(std::sqrt(sum / frame));
    }
    if (levels.empty())
        return {};
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const double room = sorted[sorted.size() / 10];
    const double speech = activeRms(samples);
    const double onsetLevel = std::max(std::sqrt(room * speech), speech / 100);
    std::size_t onset = 0;
    while (onset < levels.size() && levels[onset] < onsetLevel)
        ++onset;
    if (onset <= guardFrames)
        return {};
    const std::size_t end = (onset - guardFrames) * frame;
    const std::size_t begin = end > kRoomSamples ? end - kRoomSamples : 0;
    return {samples.begin() + std::ptrdiff_t(begin), samples.begin() + std::ptrdiff_t(end)};
}

} // namespace

std::vector<Phrase> commandPhrases() {
    auto same = [](const char* text) { return Phrase{text, Text::normalize(QString::fromUtf8(text))}; };
    return {
        // built-in commands
        same("open terminal"),
        same("left half"),
        same("right half"),
        same("maximize"),
        same("center"),
        same("lock screen"),
        same("volume up"),
        same("volume down"),
        same("mute"),
        same("unmute"),
        same("next display"),
        same("hide others"),
        same("screenshot"),
        same("do not disturb"),
        same("meeting mode"),
        same("put it back"),
        same("sort windows"),
        same("sort all"),
        same("next song"),
        same("pause the music"),
        same("previous track"),
        same("undo"),
        // parametric
        same("volume 40"),
        same("volume 75"),
        same("open firefox"),
        same("switch to spotify"),
        same("sort 3 windows"),
        same("quit slack"),
        same("open vlc"),
        same("open libreoffice"),
        // setups
        same("deep work"),
        same("end deep work"),
        same("run morning setup"),
        same("start focus time"),
    };
}

std::vector<Phrase> questions() {
    return {
        {"how tall is the eiffel tower", ""},          {"what is the weather like tomorrow", ""},
        {"who wrote the lord of the rings", ""},       {"tell me a joke about computers", ""},
        {"how many days are in a leap year", ""},      {"why is the sky blue", ""},
        {"what should I cook for dinner tonight", ""}, {"remind me to call my mother later", ""},
    };
}

QStringList biasPhrases() {
    return {
        // the built-in command phrases
        "sort",
        "sort windows",
        "sort all",
        "sort everything",
        "left half",
        "snap left",
        "right half",
        "snap right",
        "maximize",
        "fill screen",
        "full screen",
        "center",
        "centre",
        "hide others",
        "focus mode",
        "next display",
        "next screen",
        "volume up",
        "louder",
        "volume down",
        "quieter",
        "mute",
        "unmute",
        "sound on",
        "screenshot",
        "screen shot",
        "capture screen",
        "lock screen",
        "lock my mac",
        "do not disturb",
        "dnd",
        "meeting mode",
        "meeting",
        "undo",
        "undo that",
        "put it back",
        "put everything back",
        "pause",
        "pause music",
        "pause the music",
        "resume",
        "keep playing",
        "resume music",
        "next song",
        "skip",
        "next track",
        "skip song",
        "previous song",
        "last song",
        "previous track",
        // setups and their end forms
        "deep work",
        "end deep work",
        "morning",
        "end morning",
        "focus time",
        "end focus time",
        // installed apps
        "firefox",
        "terminal",
        "spotify",
        "slack",
        "vlc",
        "libreoffice",
        "thunderbird",
        "files",
        "text editor",
        "calculator",
    };
}

platform::SpeechShapes biasShapes() {
    using S = platform::SpeechShapes;
    using Slot = S::Slot;
    S shapes;
    shapes.shapes = {
        {S::word({"open", "launch", "start", "quit", "close", "switch to", "focus"}),
         S::slot({Slot::app, Slot::setup})},
        {S::word({"volume"}), S::slot({Slot::level})},
        {S::word({"sort", "tile"}), S::slot({Slot::count}, true), S::word({"windows"}, true)},
        {S::word({"run", "start", "end"}), S::slot({Slot::setup}), S::word({"setup"})},
        {S::word({"end"}), S::slot({Slot::setup})},
        {S::slot({Slot::setup}), S::word({"setup"})},
        {S::word({"play"}), S::slot({Slot::free}, true)},
    };
    shapes.names[Slot::setup] = {"deep work", "morning", "focus time"};
    shapes.names[Slot::app] = {"firefox",     "terminal",    "spotify", "slack",       "vlc",
                               "libreoffice", "thunderbird", "files",   "text editor", "calculator"};
    return shapes;
}

QStringList voices() {
    return {"slt", "rms", "awb", "kal16"};
}

// Two synthesisers each side. The tests speak only tuning voices: the checking ones
// report on a rule that never saw them.
QStringList voiceGroup(const QString& group) {
    if (group == QLatin1String("tuning"))
        return {"slt", "rms", "awb", "en-us+m3", "en-gb+f2", "en-gb-scotland+m1", "en-029+f4"};
    if (group == QLatin1String("checking"))
        return {"kal16", "en-us+f3", "en-gb-x-rp+m5", "en-us-nyc+m2", "en-gb-x-gbclan+f1"};
    return {};
}

bool isEspeakVoice(const QString& voice) {
    return voice.startsWith(QLatin1String("en"));
}

std::vector<Clip> generate(const QString& folder, const std::vector<Phrase>& phrases,
                           const QStringList& voiceList, std::optional<double> snrDb, QString* error) {
    const QString flite = QStandardPaths::findExecutable("flite");
    const QString espeak = QStandardPaths::findExecutable("espeak-ng");
    const QString sox = QStandardPaths::findExecutable("sox");
    const bool needsEspeak = std::any_of(voiceList.begin(), voiceList.end(), isEspeakVoice);
    if (flite.isEmpty() || sox.isEmpty() || (needsEspeak && espeak.isEmpty())) {
        if (error)
            *error = needsEspeak ? "flite, espeak-ng and sox are needed to make the speech set"
                                 : "flite and sox are needed to make the speech set";
        return {};
    }
    QDir().mkpath(folder);

    struct Job {
        Phrase phrase;
        QString voice;
        int index;
    };
    std::vector<Job> jobs;
    int index = 0;
    for (const auto& phrase : phrases)
        for (const auto& voice : voiceList)
            jobs.push_back({phrase, voice, index++});

    std::vector<std::vector<Clip>> made(jobs.size());
    std::vector<QString> errors(jobs.size());
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job& job = jobs[i];
            const QString base = QString("%1/%2_%3_%4")
                                     .arg(folder)
                                     .arg(job.index, 3, 10, QChar('0'))
                                     .arg(slug(job.voice), slug(job.phrase.spoken));
            const QString raw = base + ".raw.wav";
            const QString clean = base + ".wav";
            const bool spoken =
                isEspeakVoice(job.voice)
                    ? run(espeak, {"-v", job.voice, "-w", raw, job.phrase.spoken}, &errors[i])
                    : run(flite, {"-voice", job.voice, "-t", job.phrase.spoken, "-o", raw}, &errors[i]);
            // Repeatable (-R): sox dithers the resampled speech with noise of a new seed
            // each run, so the same clip read differently from one run to the next.
            if (!spoken || !run(sox,
                                {"-R", raw, "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer",
                                 clean, "pad", "0.3", "0.4"},
                                &errors[i]))
                continue;
            QFile::remove(raw);
            auto samples = readClip(clean);
            if (!samples) {
                errors[i] = "unreadable " + clean;
                continue;
            }
            // A quiet room before a clean clip; before a noisy one, the same noise alone.
            const QString quietRoom = base + ".room.wav";
            if (!writeWav(quietRoom, roomNoise(*samples, 70.0, unsigned(job.index + 1000), kRoomSamples),
                          16000)) {
                errors[i] = "could not write " + quietRoom;
                continue;
            }
            made[i].push_back(
                {clean, job.phrase.spoken, job.phrase.expected, job.voice, false, "clean", quietRoom});
            if (!snrDb)
                continue;
            const QString noisy = base + ".noisy.wav";
            const QString noisyRoom = base + ".noisy.room.wav";
            if (!writeWav(noisy, mixNoise(*samples, *snrDb, unsigned(job.index + 1)), 16000) ||
                !writeWav(noisyRoom, roomNoise(*samples, *snrDb, unsigned(job.index + 2000), kRoomSamples),
                          16000)) {
                errors[i] = "could not write " + noisy;
                continue;
            }
            made[i].push_back(
                {noisy, job.phrase.spoken, job.phrase.expected, job.voice, true, "noisy", noisyRoom});
        }
    };
    std::vector<std::thread> threads;
    const unsigned n = std::max(2u, std::min(8u, std::thread::hardware_concurrency()));
    for (unsigned t = 0; t < n; ++t)
        threads.emplace_back(worker);
    for (auto& t : threads)
        t.join();

    for (const auto& e : errors)
        if (!e.isEmpty()) {
            if (error)
                *error = e;
            return {};
        }
    // Each clean clip is followed by its noisy twin, so one recogniser hears them in turn.
    std::vector<Clip> out;
    for (auto& pair : made)
        for (auto& clip : pair)
            out.push_back(std::move(clip));
    return out;
}

std::vector<Clip> loadUserSet(const QString& folder, const QString& tsv, const QString& workFolder,
                              QString* error) {
    QFile file(tsv);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = "cannot read " + tsv;
        return {};
    }
    QDir().mkpath(workFolder);
    std::vector<Clip> out;
    int lineNo = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).remove('\n').remove('\r');
        ++lineNo;
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QString name = line.section('\t', 0, 0).trimmed();
        const QString spoken = line.section('\t', 1, 1).trimmed();
        const QString expected = Text::normalize(spoken);
        const QString source = QDir(folder).filePath(name);
        if (!QFileInfo::exists(source)) {
            if (error)
                *error = QString("%1 line %2: no such file %3").arg(tsv).arg(lineNo).arg(source);
            return {};
        }
        const QString converted =
            QDir(workFolder).filePath(QString("%1.wav").arg(out.size(), 4, 10, QChar('0')));
        if (!run("sox",
                 {"-R", source, "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer", converted},
                 error))
            return {};
        // A recording's room is its own lead-in, not a made-up one: the noise it was
        // recorded in is the noise the recogniser should learn before the speech.
        const auto samples = readClip(converted);
        if (!samples) {
            if (error)
                *error = "unreadable " + converted;
            return {};
        }
        QString roomFile;
        if (const std::vector<float> room = leadIn(*samples); !room.empty()) {
            roomFile = QDir(workFolder).filePath(QString("%1.room.wav").arg(out.size(), 4, 10, QChar('0')));
            if (!writeWav(roomFile, room, 16000)) {
                if (error)
                    *error = "could not write " + roomFile;
                return {};
            }
        }
        const QString condition = line.section('\t', 2, 2).trimmed().toLower();
        const QString voice = line.section('\t', 3, 3).trimmed();
        const bool noisy = !condition.isEmpty() && condition != QLatin1String("clean");
        out.push_back({converted, spoken, expected, voice.isEmpty() ? QStringLiteral("user") : voice, noisy,
                       condition.isEmpty() ? QStringLiteral("clean") : condition, roomFile});
    }
    return out;
}

std::vector<std::vector<std::int16_t>> pcmBlocks(const std::vector<float>& samples) {
    std::vector<std::vector<std::int16_t>> blocks;
    for (std::size_t at = 0; at < samples.size(); at += 512) {
        std::vector<std::int16_t>& block = blocks.emplace_back();
        for (std::size_t i = at; i < std::min(samples.size(), at + 512); ++i)
            block.push_back(std::int16_t(std::clamp(samples[i], -1.0f, 1.0f) * 32767));
    }
    return blocks;
}

std::optional<std::vector<float>> readClip(const QString& path) {
    const auto wav = readWav(path);
    if (!wav)
        return std::nullopt;
    const std::vector<float> interleaved = wav->samples();
    const int channels = wav->format.channels;
    if (channels == 1)
        return interleaved;
    std::vector<float> out(interleaved.size() / std::size_t(channels));
    for (std::size_t f = 0; f < out.size(); ++f) {
        double sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[f * std::size_t(channels) + std::size_t(c)];
        out[f] = float(sum / channels);
    }
    return out;
}

std::vector<float> listeningChime() {
    QTemporaryDir folder;
    const QString path = folder.filePath("chime.wav");
    if (!QFile::copy(":/sounds/sound-droplet.wav", path))
        return {};
    const auto wav = readWav(path);
    if (!wav || wav->format.channels != 1)
        return {};
    const std::vector<float> in = wav->samples();
    const double step = double(wav->format.sampleRate) / 16000;
    std::vector<float> out;
    for (double at = 0; at + 1 < double(in.size()); at += step) {
        const std::size_t i = std::size_t(at);
        const float f = float(at - double(i));
        out.push_back(in[i] * (1 - f) + in[i + 1] * f);
    }
    return out;
}

std::vector<float> pinkNoise(std::size_t count, unsigned seed) {
    // Paul Kellet's filter over white noise.
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    std::vector<float> out(count);
    float b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
    for (auto& s : out) {
        const float w = white(rng);
        b0 = 0.99886f * b0 + w * 0.0555179f;
        b1 = 0.99332f * b1 + w * 0.0750759f;
        b2 = 0.96900f * b2 + w * 0.1538520f;
        b3 = 0.86650f * b3 + w * 0.3104856f;
        b4 = 0.55000f * b4 + w * 0.5329522f;
        b5 = -0.7616f * b5 - w * 0.0168980f;
        s = (b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362f) * 0.11f;
        b6 = w * 0.115926f;
    }
    return out;
}

namespace {

double noiseGain(const std::vector<float>& speech, const std::vector<float>& noise, double snrDb) {
    double sum = 0;
    for (float s : noise)
        sum += double(s) * s;
    const double noiseRms = noise.empty() ? 0 : std::sqrt(sum / double(noise.size()));
    const double target = activeRms(speech) / std::pow(10.0, snrDb / 20.0);
    return noiseRms > 0 ? target / noiseRms : 0;
}

} // namespace

std::vector<float> scaledTo(std::vector<float> samples, double dbfs) {
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    const double rms = std::sqrt(sum / double(std::max<std::size_t>(1, samples.size())));
    const double gain = rms > 0 ? std::pow(10.0, dbfs / 20) / rms : 0;
    for (float& s : samples)
        s = float(s * gain);
    return samples;
}

std::vector<float> roomNoise(const std::vector<float>& speech, double snrDb, unsigned seed,
                             std::size_t count) {
    std::vector<float> noise = pinkNoise(count, seed);
    const double gain = noiseGain(speech, noise, snrDb);
    for (float& s : noise)
        s = std::clamp(float(gain * s), -1.0f, 1.0f);
    return noise;
}

std::vector<float> roomOf(const Clip& clip) {
    if (clip.roomFile.isEmpty())
        return {};
    return readClip(clip.roomFile).value_or(std::vector<float>());
}

std::vector<float> mixNoise(const std::vector<float>& speech, double snrDb, unsigned seed) {
    std::vector<float> noise = pinkNoise(speech.size(), seed);
    const double gain = noiseGain(speech, noise, snrDb);
    std::vector<float> out(speech.size());
    for (std::size_t i = 0; i < speech.size(); ++i)
        out[i] = std::clamp(float(speech[i] + gain * noise[i]), -1.0f, 1.0f);
    return out;
}

Decoded decode(platform::SpeechRecognizer& recognizer, const std::vector<float>& samples,
               const QStringList& context, const platform::SpeechShapes& shapes,
               const std::vector<float>& preRoll, double timeoutSeconds) {
    return decode(recognizer, samples, std::make_shared<platform::RecognitionRequest>(context, shapes),
                  preRoll, timeoutSeconds);
}

Decoded decode(platform::SpeechRecognizer& recognizer, const std::vector<float>& samples,
               std::shared_ptr<platform::RecognitionRequest> request, const std::vector<float>& preRoll,
               double timeoutSeconds) {
    using Clock = std::chrono::steady_clock;
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        Decoded result;
        Clock::time_point endedAt;
    };
    auto shared = std::make_shared<Shared>();
    request->setPreRoll(preRoll);
    const auto began = Clock::now();
    recognizer.recognize(request, [shared](std::optional<platform::RecognitionResult> result, QString error) {
        std::lock_guard lock(shared->mutex);
        if (shared->finished)
            return;
        if (result && !result->isFinal) {
            shared->result.partials << result->text;
            return;
        }
        if (result)
            shared->result.finalText = result->text;
        shared->result.error = error;
        shared->result.endToFinalSeconds =
            std::chrono::duration<double>(Clock::now() - shared->endedAt).count();
        shared->finished = true;
        shared->done.notify_all();
    });
    for (std::size_t i = 0; i < samples.size(); i += 512)
        request->append(
            std::span<const float>(samples).subspan(i, std::min<std::size_t>(512, samples.size() - i)));
    const auto deadline = began + std::chrono::duration<double>(timeoutSeconds);
    while (request->backlog() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    {
        std::lock_guard lock(shared->mutex);
        shared->endedAt = Clock::now();
    }
    request->endAudio();
    std::unique_lock lock(shared->mutex);
    if (!shared->done.wait_until(lock, deadline, [&] { return shared->finished; })) {
        request->cancel();
        shared->result.error = "timed out";
        return shared->result;
    }
    shared->result.decodeSeconds = std::chrono::duration<double>(Clock::now() - began).count();
    return shared->result;
}

} // namespace brisklet::test::SpeechSet
