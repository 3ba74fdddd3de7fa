#pragma once

#include <QString>
#include <map>
#include <optional>
#include <set>

namespace brisklet {

// Drives web browsers for the setups, by desktop ID: new windows with pages come
// from the browser's own command line and are then found, placed and surfaced as
// ordinary windows.
namespace BrowserScripting {

// The command-line dialect a browser speaks; it only decides how an empty window
// is asked for.
enum class Family { firefox, chromium };

// Desktop IDs of the browsers we know how to drive.
const std::map<QString, Family>& families();
// Browsers we know but cannot drive: their pages are opened plainly.
const std::set<QString>& unscriptableBrowsers();
// A known browser is never quit by ending a setup or closing the rest.
bool isKnownBrowser(const QString& desktopId);
std::optional<Family> family(const QString& desktopId);

// The only addresses a setup may hold or open: http or https with a host.
bool isAllowedURL(const QString& text);

// Puts any text into a double-quoted string literal for another program: control
// characters dropped, backslashes and double quotes escaped.
QString quoted(const QString& text);

} // namespace BrowserScripting
} // namespace brisklet
