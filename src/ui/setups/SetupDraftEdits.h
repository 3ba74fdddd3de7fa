#pragma once

#include "commands/AppIndex.h"
#include "platform/Apps.h"
#include "setups/Setup.h"

#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>
#include <vector>

namespace brisklet {

// The rules of the setup editor, apart from its view: what the fields store, what
// the add buttons append, what a save hands on and what stops it.
namespace SetupDraftEdits {

struct Browser {
    QString bundleID;
    QString name;
    bool operator==(const Browser&) const = default;
};

// The new-page browser when the desktop names no default one.
QString fallbackBrowser();

// Blanks trimmed; "://" kept as typed; a dotted text without a scheme gets https.
QString normalizedURL(const QString& text);

// The phrases field: comma-separated, blank pieces dropped, case and repeats kept.
QStringList phrasesFrom(const QString& text);
QString phrasesText(const QStringList& phrases);

// The installed browsers we know, one per ID, sorted by name (stable).
std::vector<Browser> installedBrowsers(const std::vector<IndexedApp>& apps);

// An app of the index, centred on the first display; nothing without an ID.
std::optional<SetupItem> appItem(const IndexedApp& app);
// A page for the add row; nothing when the address isn't an http(s) one. The
// browser's name comes from `browsers`, else "Browser".
std::optional<SetupItem> siteItem(const QString& text, const QString& browserID,
                                  const std::vector<Browser>& browsers);

// The terminals and editors a project folder may open in, in order of preference.
const QStringList& projectTerminals();
const QStringList& projectEditors();
// A project folder: a terminal then an editor (each when one is installed),
// unplaced, titled with the folder's name and holding its path with "~" for home.
std::vector<SetupItem> projectItems(const QString& folder, const QString& home,
                                    const std::vector<platform::RunningApp>& running,
                                    const std::vector<IndexedApp>& apps);

// Web items whose address, normalised, is no http(s) address with a host.
QList<QUuid> refusedAddresses(const Setup& draft);
// The draft as a save hands it on: name trimmed, addresses normalised.
Setup finished(Setup draft);

// Why the name or a phrase can't be used, or nothing: a phrase that already means
// a command (`reserved`, normalised), a phrase that sounds like another setup's name
// or phrase, or a name that sounds like another setup's phrase (the same spoken key).
// A name that sounds like another setup's name passes: the save renames it to a free
// copy name.
std::optional<QString> conflict(const Setup& draft, const QStringList& reserved,
                                const std::vector<Setup>& stored);

// The name a save that can't ask for other words (a Magic draft's) stores `draft`
// under so that it passes `conflict`: its own, else the first free copy name.
// Nothing when a phrase of its own is taken, which no name mends.
std::optional<QString> freeName(Setup draft, const QStringList& reserved, const std::vector<Setup>& stored);

// Why save is refused, or nothing. An empty name or no items need no words: the
// button only stays off.
bool canSave(const Setup& draft, const QStringList& reserved, const std::vector<Setup>& stored);

// A name as a failure sentence quotes it: up to 10 characters, a longer one cut
// with "…", so the heads-up display's two lines keep the reason whole even in
// its widest letters.
QString shortName(const QString& name);

// What the user is told where a change to `name` was made when the setups file
// didn't take it: Couldn't save “Name” — the setups file can't be written.
QString unsavedText(const QString& name);
// The same for a delete.
QString undeletedText(const QString& name);

// How many displays the pickers offer: the connected ones, more when a frame names
// a later one, never more than max(connected, 8).
int displayChoices(int connected, const std::optional<SetupFrame>& frame);
// A display index as the pickers may store it.
int clampedDisplay(int index, int connected);

} // namespace SetupDraftEdits
} // namespace brisklet
