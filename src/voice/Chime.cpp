#include "voice/Chime.h"

#include "base/Prefs.h"
#include "platform/SoundOutput.h"

#include <algorithm>
#include <cmath>

namespace brisklet {

const std::vector<Chime::Option>& Chime::options() {
    static const std::vector<Option> table{
        {QStringLiteral("droplet"), QStringLiteral("Droplet")},
        {QStringLiteral("whisper"), QStringLiteral("Whisper")},
        {QStringLiteral("tick"), QStringLiteral("Tick")},
        {QStringLiteral("none"), QStringLiteral("None")},
    };
    return table;
}

double Chime::userVolume() {
    const double v = Prefs::doubleValue(Prefs::Key::soundVolume);
    if (std::isnan(v))
        return 0.0;
    return std::clamp(v, 0.0, 1.0);
}

std::vector<float> Chime::play(const QString& name, double volume) {
    if (!output_ || name.isEmpty() || name == QLatin1String("none"))
        return {};
    if (std::isnan(volume))
        volume = 0.0;
    return output_->play(name, std::clamp(volume, 0.0, 1.0));
}

std::vector<float> Chime::play() {
    if (!Prefs::boolValue(Prefs::Key::soundsEnabled))
        return {};
    QString name = Prefs::stringValue(Prefs::Key::wakeSound);
    if (name.isEmpty())
        name = QStringLiteral("droplet");
    return play(name, userVolume());
}

void Chime::playCue(const QString& name) {
    if (!Prefs::boolValue(Prefs::Key::soundsEnabled) || windowOpen())
        return;
    play(name, userVolume());
}

void Chime::preview(const QString& name, double volume) {
    if (!windowOpen())
        play(name, volume);
}

} // namespace brisklet
