#pragma once
// The recent-file list, the settings kept between runs, and their file
// Mobrix.ini.
//
// Slots 0..3 are the list, newest first; slot 4 holds the entry being added.
// Each entry is the full path, one blank and the format digit: "0" for an
// NFSIII file, "1" for an NFSIV file, "2" for an FCE4M file. Mobrix.ini holds "[recent]", the four
// slots one per line (empty slots as empty lines) and one empty line, then
// "[settings]" with one "Name=1" or "Name=0" line per setting and one empty
// line, each line ended by CR LF.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace mobrix::app {

inline constexpr int kRecentCount = 4;
using RecentSlots = std::array<std::string, kRecentCount + 1>;

enum class RecentFormat { Nfs3, Nfs4, Fce4m };

std::string RecentEntry(const std::string& path, RecentFormat format);

// Puts slot 4 at the head of the list unless it equals one of slots 0..3
// exactly. Returns whether the list changed.
bool AddRecent(RecentSlots& slots);

// The path of an entry: the entry without its last two characters.
std::string RecentPath(const std::string& entry);
// The format of an entry: its last two characters without blanks; nothing
// when they are not "0" or "1".
std::optional<RecentFormat> RecentEntryFormat(const std::string& entry);

// The caption of quick-load entry i: "&" + (i + 1) + ". " + path.
std::string QuickLoadCaption(int index, const std::string& entry);

// Reads the list from the ini file's text: after a line equal to "[recent]"
// in any letter case, up to four lines go into slots 0..3, stopping at the
// first empty line; a later section line starts again at slot 0. Slots not
// filled stay empty.
RecentSlots ParseRecentIni(const std::string& text);
std::string FormatRecentIni(const RecentSlots& slots);

// Where Mobrix.ini lives: in the program's folder when that folder can be
// written to (a build tree, a portable copy), else in the user's
// configuration folder, so an installed copy still keeps its list.
std::string IniFilePath(const std::string& programFolder, bool programFolderWritable,
                        const std::string& configFolder);

// What Mobrix keeps between runs besides the list.
inline constexpr int kDefaultAutosaveMinutes = 2;

struct IniSettings {
    bool ShowOtherParts = true; // "Show Other Parts" in the View menu
    // Minutes between recovery copies, 0 for none ("AutosaveMinutes").
    std::optional<int> AutosaveMinutes = std::nullopt;
    // The undo history's memory budget in MiB ("UndoBudgetMiB"); unset: the
    // document's default.
    std::optional<std::uint64_t> UndoBudgetMiB = std::nullopt;
};

// Reads the settings from the ini file's text: the lines after a line equal
// to "[settings]" in any letter case, up to the next section line. A setting
// that is missing, or whose value does not fit it (a flag is "0" or "1", a
// number is made of digits only), keeps its default.
IniSettings ParseSettingsIni(const std::string& text);
std::string FormatSettingsIni(const IniSettings& settings);

// Read the list or the settings from the file; a missing or unreadable
// file gives an empty list and the default settings.
RecentSlots ReadRecentFile(const std::string& iniPath);
IniSettings ReadSettingsFile(const std::string& iniPath);
// Writes the file afresh, the list and then the settings. Returns false
// when it could not be written; the old file is then kept.
bool WriteIniFile(const std::string& iniPath, const RecentSlots& slots, const IniSettings& settings);

} // namespace mobrix::app
