#pragma once

#include <QStringList>

#include <map>
#include <vector>

namespace brisklet::platform {

// What a listening window may hear besides its fixed phrases: the shapes in which
// commands are said, and the names that fill their slots. The layer that reads the
// transcripts describes them from its own tables; the recogniser only spells them.
struct SpeechShapes {
    enum class Slot {
        app,
        setup,
        layout,
        player,
        free,  // any few words: a new name, a song, a search
        count, // a window count, 1…12
        level, // a volume level, 0…100
    };
    // One place in a shape: one of `words` (each may be several words) or what fills
    // one of the slots in `fills`.
    struct Part {
        QStringList words;
        std::vector<Slot> fills;
        bool optional = false;
        bool operator==(const Part&) const = default;
    };
    using Shape = std::vector<Part>;

    std::vector<Shape> shapes;
    std::map<Slot, QStringList> names; // what fills app, setup, layout and player
    // Shorter forms of app names ("studio code" for "Visual Studio Code"), which
    // the recogniser says only where a person would say them.
    QStringList shortAppNames;
    // The verbs (their first words) that end or quit what they name ("quit", "kill",
    // "shut" of "shut down" …), those that run or open it ("run", "open", "set" of
    // "set up" …) and those that bring it forward ("switch", "show" …): a reading that
    // ends something, runs a setup or brings an app forward is acted on only where the
    // general model heard its verb.
    QStringList endVerbs, runVerbs, focusVerbs;
    // The words a question opens with ("what", "how" …) and the sounds said before it
    // without changing it ("uh", "so" …): no end, quit or setup run is read from a
    // question.
    QStringList questionWords, hesitations;
    bool operator==(const SpeechShapes&) const = default;

    static Part word(const QStringList& words, bool optional = false) { return {words, {}, optional}; }
    static Part slot(std::vector<Slot> fills, bool optional = false) {
        return {{}, std::move(fills), optional};
    }
};

} // namespace brisklet::platform
