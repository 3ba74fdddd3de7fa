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
// behind and is tried again at the next launch.
void runIfNeeded();

// The two steps on their own.
bool importDataFolder(const QString& from, const QString& to);
void importSettings(const QString& legacySettingsPath);

} // namespace brisklet::LegacyMigration
