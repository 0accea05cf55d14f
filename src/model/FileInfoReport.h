#pragma once
// The file information report: the model's header as lines of text, shown in
// the file information list after every read and after New, and printed by
// fcetool. Also the content of the File Information window, which lists the
// reserved blocks.

#include "CarModel.h"

#include <string>
#include <vector>

namespace mobrix {

// The report lines for `model`, headed by "File information for '<fileName>'".
// Names are shown trimmed of blanks; other bytes (NUL included) are kept
// as they are, so every line is the raw single-byte text.
std::vector<std::string> FileInfoReport(const CarModel& model, const std::string& fileName);

// Number formats of the report.
std::string FormatInteger(std::int64_t value);
std::string FormatFloat(float value); // general form, at most 7 significant digits
std::string FormatFixed(double value, int decimals); // fixed form, as %.Nf in the C locale
std::string FormatIndex(std::int64_t index); // leading blank for non-negative numbers

// Content of the File Information window: one line per vertex for the
// per-vertex reserved blocks (List1..List5) and one per triangle for the
// per-triangle block (List6), each the block's raw bytes as characters.
// Lists for tables the model does not hold (NFSIV blocks of an NFSIII
// model) stay empty.
struct ReservedBlockLines {
    std::vector<std::string> List1; // Reserved1, 32 characters
    std::vector<std::string> List2; // Reserved2, 12
    std::vector<std::string> List3; // Reserved3, 12
    std::vector<std::string> List4; // VertReservedA, 4
    std::vector<std::string> List5; // VertReservedB, 4
    std::vector<std::string> List6; // TriReserved, 12
};
ReservedBlockLines FileInfoWindowLines(const CarModel& model);

} // namespace mobrix
