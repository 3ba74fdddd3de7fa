#pragma once

#include "platform/SoundOutput.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace brisklet::test {

// Records what would have been played; knows the program's three sounds, as a
// constant level at the volume played for as long as each lasts.
class FakeSoundOutput final : public platform::SoundOutput {
public:
    std::vector<float> play(const QString& name, double volume) override {
        if (!known.contains(name))
            return {};
        played.emplace_back(name, volume);
        if (!(volume > 0))
            return {};
        const double seconds = name == QLatin1String("tick") ? 0.05 : 0.22;
        return std::vector<float>(std::size_t(seconds * 16000), float(volume));
    }
    QStringList known{QStringLiteral("droplet"), QStringLiteral("whisper"), QStringLiteral("tick")};
    std::vector<std::pair<QString, double>> played;
};

} // namespace brisklet::test
