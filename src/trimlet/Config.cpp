#include "Config.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <random>
#include <sstream>

namespace trimlet {

namespace {

constexpr std::array<std::string_view, 16> kIniLines{
    "' Trimlet ini file",
    "' =================",
    "'",
    "' DISPLAY",
    "'",
    "' The display setting determines what drivers are used for Direct3D.",
    "'",
    "' Settings are:",
    "'",
    "' 2 = Use hardware (if available)",
    "' 1 = Use software in RGB (24-bit colour mode)",
    "' 0 = Use software in MONO (8-bit colour mode)",
    "'",
    "' If the selected mode isn't available, the next available is chosen.",
    "",
    "display = 0",
};

std::string_view TrimBlanks(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace

bool FolderIsWritable(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return false;
    std::random_device random;
    const auto probe = folder / (".trimlet-probe-" + std::to_string(random()));
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out)
            return false;
    }
    std::filesystem::remove(probe, ec);
    return true;
}

std::filesystem::path ResolveAppFolder(const std::filesystem::path& programFolder,
                                       const std::filesystem::path& userFolder)
{
    if (FolderIsWritable(programFolder))
        return programFolder;
    std::error_code ec;
    std::filesystem::create_directories(userFolder, ec);
    return userFolder;
}

std::string DefaultIniText()
{
    std::string text;
    for (std::string_view line : kIniLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

int DisplayModeFromIni(std::string_view text)
{
    int mode = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line(TrimBlanks(text.substr(start, end - start)));
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (line.size() >= 7 && line.compare(0, 7, "display") == 0) {
            const char last = line.back();
            if (last >= '0' && last <= '9')
                mode = last - '0';
        }
        start = end + 1;
    }
    return mode;
}

int ReadConfig(const std::filesystem::path& appFolder)
{
    const auto path = appFolder / kIniFileName;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        std::ofstream out(path, std::ios::binary);
        out << DefaultIniText();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    std::ostringstream text;
    text << in.rdbuf();
    return DisplayModeFromIni(text.str());
}

void StartupLog::Reset() const
{
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

void StartupLog::Append(std::string_view line) const
{
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    out << line << "\r\n";
}

} // namespace trimlet
