// The shapes the recogniser is given say every phrasing the matcher turns into a
// plan, with the desktop's own names in their slots.
#include "SpokenDesktop.h"
#include "commands/CommandCatalog.h"

#include <gtest/gtest.h>

using namespace brisklet;
using Shapes = platform::SpeechShapes;

namespace {

// Whether `words` from `at` on can be said by the parts of `shape` from `part` on.
bool says(const Shapes& shapes, const Shapes::Shape& shape, std::size_t part, const QStringList& words,
          qsizetype at) {
    if (part == shape.size())
        return at == words.size();
    const Shapes::Part& p = shape[part];
    if (p.optional && says(shapes, shape, part + 1, words, at))
        return true;
    auto rest = [&](qsizetype used) { return says(shapes, shape, part + 1, words, at + used); };
    auto sayOne = [&](const QString& text) {
        const QStringList w = Text::normalize(text).split(' ', Qt::SkipEmptyParts);
        return !w.isEmpty() && words.mid(at, w.size()) == w && rest(w.size());
    };
    for (const QString& choice : p.words)
        if (sayOne(choice))
            return true;
    for (Shapes::Slot slot : p.fills) {
        switch (slot) {
        case Shapes::Slot::free:
            for (qsizetype n = 1; n <= 4 && at + n <= words.size(); ++n)
                if (rest(n))
                    return true;
            break;
        case Shapes::Slot::count:
        case Shapes::Slot::level:
            // Digits as the matcher reads them; a count is one word.
            if (at < words.size() && words[at].toInt() > 0 && rest(1))
                return true;
            if (at < words.size() && IntentMatcher::count(words[at]) && rest(1))
                return true;
            break;
        default:
            for (const QString& name : shapes.names.at(slot))
                if (sayOne(name))
                    return true;
        }
    }
    return false;
}

bool said(const Shapes& shapes, const QString& phrase) {
    const QStringList words = Text::normalize(phrase).split(' ', Qt::SkipEmptyParts);
    return std::any_of(shapes.shapes.begin(), shapes.shapes.end(),
                       [&](const Shapes::Shape& shape) { return says(shapes, shape, 0, words, 0); });
}

} // namespace

TEST(SpokenShapes, everyPhrasingTheMatcherPlansHasAShapeWithTheDesktopsNames) {
    test::SpokenDesktop desktop;
    // The names the catalog's examples use.
    desktop.setups.set({{"Deep Work", {"heads down"}}, {"Morning", {}}, {"Study", {}}, {"Work", {}}});
    desktop.layouts.names.push_back("meeting");
    desktop.installed.apps.push_back({"notes", "Notes", "/usr/share/applications/notes.desktop"});
    desktop.index->refresh();
    desktop.index->waitForScans();
    const Shapes shapes =
        Vocabulary::shapes(*desktop.matcher, desktop.setups, desktop.layouts, *desktop.index);
    EXPECT_TRUE(shapes.names.at(Shapes::Slot::layout).contains("Coding"));
    EXPECT_TRUE(shapes.names.at(Shapes::Slot::player).contains("spotify"));
    QStringList phrasings;
    for (const test::SpokenPhrase& p : test::spokenPhrases())
        if (QLatin1String(p.kind) == QLatin1String("parametric") ||
            QLatin1String(p.kind) == QLatin1String("resolver"))
            phrasings << QString::fromUtf8(p.spoken);
    // The catalog's own examples of phrasings, less compound requests for the assistant.
    for (const CommandDoc& entry : CommandCatalog::all())
        for (const QString& example : entry.examples)
            if (!example.contains(" and ") && !desktop.registry.hasPhrase(Text::normalize(example)))
                phrasings << example;
    // The window's fixed phrases hold the rest (a setup said by its name alone).
    QSet<QString> fixed;
    for (const QString& phrase :
         Vocabulary::gather(desktop.setups, desktop.layouts, desktop.registry, *desktop.index))
        fixed.insert(Text::normalize(phrase));
    for (const QString& phrase : phrasings) {
        if (desktop.matcher->match(phrase).empty() || fixed.contains(Text::normalize(phrase)))
            continue;
        EXPECT_TRUE(said(shapes, phrase)) << phrase.toStdString();
    }
}
