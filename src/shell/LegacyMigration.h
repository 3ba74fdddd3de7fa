#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::LegacyMigration {

// Names of the settings brought over, in the order they are processed; each is
// "tapsly.<name>" in the old file and "brisklet.<name>" in ours.
const QStringList& settingNames();

// The predecessor's folders: its data folder beside ours and its settings file.
QString legacyDataFolder();
QString legacySettingsPath();

// Brings a Tapsly user's data folder and settings over, once, before anything
// reads them. Never fails outward: a failed copy is logged, leaves no half folder
// behind and is tried again at every launch until it succeeds. A pipe, socket or
// device in the old folder is left out, with a word in the log.
void runIfNeeded();

// Called once the launch has written its own first files (the built-in commands):
// when this launch's import failed, those files are noted so that the import, when
// it comes, replaces them but keeps whatever the user has changed since.
void noteLaunchFiles();

// The two steps on their own.
bool importDataFolder(const QString& from, const QString& to);
void importSettings(const QString& legacySettingsPath);

} // namespace brisklet::LegacyMigration
