#pragma once
// Trimlet's folder, its start-up log and its one setting.

#include <filesystem>
#include <string>
#include <string_view>

namespace trimlet {

inline constexpr std::string_view kIniFileName = "trimlet.ini";
inline constexpr std::string_view kLogFileName = "STARTUP.LOG";
inline constexpr std::string_view kTempFolderName = "temp";

// The program keeps its files beside itself when it may write there; an
// installed copy in a read-only folder uses the user's data folder instead.
// The chosen folder is created when missing.
std::filesystem::path ResolveAppFolder(const std::filesystem::path& programFolder,
                                       const std::filesystem::path& userFolder);

// True when a file can be created in `folder` (tried, not guessed from the
// permission bits, which do not tell about read-only mounts).
bool FolderIsWritable(const std::filesystem::path& folder);

// The text written to a missing trimlet.ini: sixteen lines, each ended by
// CR LF.
std::string DefaultIniText();

// The display setting of an ini text: on every line, with the blanks around
// it removed and letters lowered, that starts with "display", the last
// character is the value; the last such line wins. A line whose last
// character is not a digit gives no value. 0 when no line gives one.
int DisplayModeFromIni(std::string_view text);

// Creates trimlet.ini in `appFolder` when it is missing, then reads it.
int ReadConfig(const std::filesystem::path& appFolder);

// STARTUP.LOG: deleted at every start, then written one line at a time,
// opened and closed for each line so that it survives a sudden end.
class StartupLog {
public:
    explicit StartupLog(std::filesystem::path path) : path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }
    void Reset() const;
    void Append(std::string_view line) const;

private:
    std::filesystem::path path_;
};

} // namespace trimlet
