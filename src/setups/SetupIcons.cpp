#include "setups/SetupIcons.h"

#include <utility>

namespace brisklet::SetupIcons {

namespace {

// Searched in this order; the first keyword the name contains wins.
const std::pair<const char*, const char*> keywords[] = {
    {"work", "hammer"},
    {"code", "curlybraces"},
    {"dev", "terminal"},
    {"write", "pencil.and.outline"},
    {"writing", "pencil.and.outline"},
    {"design", "paintbrush.pointed"},
    {"study", "graduationcap"},
    {"school", "graduationcap"},
    {"read", "book"},
    {"research", "book"},
    {"mail", "envelope"},
    {"email", "envelope"},
    {"meeting", "video"},
    {"call", "video"},
    {"stream", "camera"},
    {"record", "mic"},
    {"music", "music.note"},
    {"game", "gamecontroller"},
    {"gym", "dumbbell"},
    {"workout", "dumbbell"},
    {"money", "banknote"},
    {"finance", "banknote"},
    {"trading", "chart.bar"},
    {"stocks", "chart.bar"},
    {"review", "chart.bar"},
    {"shop", "cart"},
    {"morning", "sun.max"},
    {"night", "moon.stars"},
    {"focus", "leaf"},
    {"deep", "leaf"},
    {"browse", "globe"},
    {"plan", "calendar"},
};

} // namespace

const QStringList& all() {
    static const QStringList palette = {
        "hammer",
        "laptopcomputer",
        "terminal",
        "curlybraces",
        "paintbrush.pointed",
        "pencil.and.outline",
        "book",
        "graduationcap",
        "chart.bar",
        "banknote",
        "envelope",
        "calendar",
        "video",
        "mic",
        "music.note",
        "gamecontroller",
        "camera",
        "globe",
        "cart",
        "dumbbell",
        "cup.and.saucer",
        "moon.stars",
        "sun.max",
        "leaf",
    };
    return palette;
}

QString autoFor(const QString& name) {
    const QString lower = name.toLower();
    for (const auto& [keyword, symbol] : keywords) {
        if (lower.contains(QLatin1String(keyword)))
            return QString::fromLatin1(symbol);
    }
    if (lower.isEmpty())
        return all().at(5);
    // FNV-1a, 64 bits, over the UTF-8 bytes.
    quint64 h = 0xcbf29ce484222325ULL;
    for (const char byte : lower.toUtf8()) {
        h ^= static_cast<unsigned char>(byte);
        h *= 0x100000001b3ULL;
    }
    return all().at(static_cast<qsizetype>(h % static_cast<quint64>(all().size())));
}

} // namespace brisklet::SetupIcons
