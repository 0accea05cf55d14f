#pragma once
// The texts of Trimlet's error reporter: the message box and the two log
// lines, and the table of DirectDraw/Direct3D error texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace trimlet {

inline constexpr std::string_view kErrorBoxTitle = "D3D Mobrix";
inline constexpr std::string_view kUnknownErrorText = "Unknown Error: Out of memory or invalid parameters passed.";
inline constexpr std::string_view kExecutionTerminated = "Execution terminated.";
inline constexpr int kErrorTextEntries = 95;

// The description of a DirectDraw/Direct3D error code, or kUnknownErrorText.
std::string_view DirectXErrorText(std::uint32_t number);

struct ErrorReportText {
    std::string box;     // the message box text
    std::string logLine; // the line appended to the start-up log (holds a CR LF)
};

// Who reports an error: the program's own work (files, parts, models),
// whose descriptions carry file paths and part names the user chose, or the
// 3D device.
enum class ErrorSource { Program, Device };

// An error of the 3D device whose description mentions automation (in any
// letter case) is told with the table text for its number; any other is
// told with its own description. Only the device's descriptions are looked
// at: a file error stays a file error even when its path or a part name
// holds the word (a folder named "Automotive").
ErrorReportText FormatErrorReport(ErrorSource source, std::uint32_t number, const std::string& description,
                                  const std::string& procedure, const std::string& timestamp);

} // namespace trimlet
