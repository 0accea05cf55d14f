#include "document/RecentFiles.h"

#include "FileIO.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <vector>

namespace mobrix::app {

std::string RecentEntry(const std::string& path, RecentFormat format)
{
    switch (format) {
    case RecentFormat::Nfs3: break;
    case RecentFormat::Nfs4: return path + " 1";
    case RecentFormat::Fce4m: return path + " 2";
    }
    return path + " 0";
}

bool AddRecent(RecentSlots& slots)
{
    const std::string& entry = slots[kRecentCount];
    for (int i = 0; i < kRecentCount; ++i) {
        if (slots[static_cast<std::size_t>(i)] == entry)
            return false;
    }
    for (int i = kRecentCount - 1; i > 0; --i)
        slots[static_cast<std::size_t>(i)] = slots[static_cast<std::size_t>(i - 1)];
    slots[0] = entry;
    return true;
}

std::string RecentPath(const std::string& entry)
{
    return entry.size() < 2 ? std::string() : entry.substr(0, entry.size() - 2);
}

std::optional<RecentFormat> RecentEntryFormat(const std::string& entry)
{
    std::string tail = entry.size() < 2 ? entry : entry.substr(entry.size() - 2);
    tail.erase(std::remove(tail.begin(), tail.end(), ' '), tail.end());
    if (tail == "0")
        return RecentFormat::Nfs3;
    if (tail == "1")
        return RecentFormat::Nfs4;
    if (tail == "2")
        return RecentFormat::Fce4m;
    return std::nullopt;
}

std::string QuickLoadCaption(int index, const std::string& entry)
{
    // Appended piece by piece: GCC 12 at -O3 takes a text put before a
    // number for an overlapping copy.
    std::string caption = "&";
    caption += std::to_string(index + 1);
    caption += ". ";
    caption += RecentPath(entry);
    return caption;
}

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// `section` is in lower case.
bool IsSectionLine(const std::string& line, const std::string& section = "[recent]")
{
    return line.size() == section.size() &&
           std::equal(line.begin(), line.end(), section.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string ReadTextFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path, bytes))
        return {};
    return std::string(bytes.begin(), bytes.end());
}

void ReadFlag(const std::string& line, const std::string& name, bool& flag)
{
    if (line == name + "=1")
        flag = true;
    else if (line == name + "=0")
        flag = false;
}

template <class Number>
void ReadNumber(const std::string& line, const std::string& name, std::optional<Number>& number)
{
    const std::string prefix = name + "=";
    if (line.rfind(prefix, 0) != 0)
        return;
    const std::string digits = line.substr(prefix.size());
    if (digits.empty() || digits.size() > 12 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return;
    const unsigned long long value = std::stoull(digits);
    number = static_cast<Number>(std::min<unsigned long long>(value, std::numeric_limits<Number>::max()));
}

std::string FlagLine(const std::string& name, bool flag)
{
    return name + (flag ? "=1\r\n" : "=0\r\n");
}

} // namespace

RecentSlots ParseRecentIni(const std::string& text)
{
    RecentSlots slots;
    const std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsSectionLine(lines[i]))
            continue;
        for (int slot = 0; slot < kRecentCount && i + 1 < lines.size(); ++slot) {
            if (lines[i + 1].empty())
                break;
            ++i;
            slots[static_cast<std::size_t>(slot)] = lines[i];
        }
    }
    return slots;
}

std::string FormatRecentIni(const RecentSlots& slots)
{
    std::string text = "[recent]\r\n";
    for (int i = 0; i < kRecentCount; ++i)
        text += slots[static_cast<std::size_t>(i)] + "\r\n";
    text += "\r\n";
    return text;
}

std::string IniFilePath(const std::string& programFolder, bool programFolderWritable, const std::string& configFolder)
{
    std::string folder = programFolderWritable ? programFolder : configFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + "Mobrix.ini";
}

IniSettings ParseSettingsIni(const std::string& text)
{
    IniSettings settings;
    bool inSection = false;
    for (const std::string& line : SplitLines(text)) {
        if (!line.empty() && line.front() == '[')
            inSection = IsSectionLine(line, "[settings]");
        else if (inSection) {
            ReadFlag(line, "ShowOtherParts", settings.ShowOtherParts);
            ReadNumber(line, "AutosaveMinutes", settings.AutosaveMinutes);
            ReadNumber(line, "UndoBudgetMiB", settings.UndoBudgetMiB);
        }
    }
    return settings;
}

std::string FormatSettingsIni(const IniSettings& settings)
{
    std::string text = "[settings]\r\n" + FlagLine("ShowOtherParts", settings.ShowOtherParts);
    if (settings.AutosaveMinutes)
        text += "AutosaveMinutes=" + std::to_string(*settings.AutosaveMinutes) + "\r\n";
    if (settings.UndoBudgetMiB)
        text += "UndoBudgetMiB=" + std::to_string(*settings.UndoBudgetMiB) + "\r\n";
    return text + "\r\n";
}

RecentSlots ReadRecentFile(const std::string& iniPath)
{
    return ParseRecentIni(ReadTextFile(iniPath));
}

IniSettings ReadSettingsFile(const std::string& iniPath)
{
    return ParseSettingsIni(ReadTextFile(iniPath));
}

bool WriteIniFile(const std::string& iniPath, const RecentSlots& slots, const IniSettings& settings)
{
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(iniPath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    const std::string text = FormatRecentIni(slots) + FormatSettingsIni(settings);
    return !WriteFileAtomically(iniPath, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace mobrix::app
