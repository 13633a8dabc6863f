#pragma once
// The version timer's check: once after start-up, the update site's version file against ours.
#include <cstddef>
#include <string>

// The program's own version and the last version text fetched from the update site.
extern std::string currentVersion;
extern std::string remoteVersion;

// Host of the update site; every URL of the program's web access is "http://" + host + a fixed path.
extern std::string updateSiteHost;

// The longest body the program takes from the update site; a longer answer counts as none.
inline constexpr size_t siteBodyLimit = size_t{1} << 20;

// The version timer's periodic event: stops the timer, then fetches the version file off the GUI thread
// and, when it names a newer version, says so and opens the download.
void checkForUpdate();

// True when remote is a version (digits separated by dots, blanks and line breaks around it ignored)
// that is newer than current, comparing number by number.
bool isNewerVersion(const std::string& remote, const std::string& current);
