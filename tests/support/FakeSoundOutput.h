#pragma once

#include "platform/SoundOutput.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace brisklet::test {

// Records what would have been played; knows the program's three sounds.
class FakeSoundOutput final : public platform::SoundOutput {
public:
    double play(const QString& name, double volume) override {
        if (!known.contains(name))
            return 0;
        played.emplace_back(name, volume);
        return name == QLatin1String("tick") ? 0.05 : 0.22;
    }
    QStringList known{QStringLiteral("droplet"), QStringLiteral("whisper"), QStringLiteral("tick")};
    std::vector<std::pair<QString, double>> played;
};

} // namespace brisklet::test
