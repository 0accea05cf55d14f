#pragma once
// The remap data file kept beside a model: the whole TriState table (ten
// bytes per triangle: Selected, the three corner marks and RemapGroup, int16
// each), the tag "MAPDATA" and the 16 section records (name length as
// uint16, the name's bytes, uvLeft, uvWidth, uvTop, uvHeight as floats,
// Orientation, MapKind, rot90 as int16). Little-endian, no padding.
//
// The file holds no triangle count, so a file belongs to a model only when
// its size fits that model's triangle count. The reader works the file's own
// count out from its layout and refuses a file written for another model
// instead of reading misplaced values into this one.

#include "CarModel.h"
#include "FileErrors.h"
#include "RemapSections.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mobrix {

inline constexpr char kRemapDataTag[] = "MAPDATA"; // 7 bytes in the file, no terminator

// The remap data file of a model file: the same path with the extension
// replaced by "UV" (CAR.FCE -> CAR.UV). A name without an extension gets
// ".UV" added, so the model file itself is never the target. Where the
// older rule, the name's last three characters replaced by "UV", names
// another file (car.fce4 -> car.fUV, TRUCK -> TRUV) and a remap data file
// already lies there, that file is the one, so existing data is still
// found; a file there that is no remap data file is never chosen, so a
// save cannot overwrite it. Empty for a model without a file name.
std::string RemapDataPath(const std::string& modelPath);

enum class RemapFileError {
    Missing,          // no file at the path
    Unreadable,       // the file exists but cannot be read; `code` says why
    OtherModel,       // a sound file written for another triangle count
    Damaged,          // too short, or not laid out as a remap data file
};

struct RemapFileFailure {
    RemapFileError kind = RemapFileError::Damaged;
    std::int64_t fileTriangles = 0;  // OtherModel: the count the file was written for
    std::int64_t modelTriangles = 0; // the current model's count
    int code = 0;                    // Unreadable: the error number
    std::string detail;              // Unreadable: what the system said
};

// The plain message shown for a refused file (one line, no path).
std::string RemapFileFailureMessage(const RemapFileFailure& failure);

struct RemapData {
    std::vector<TriStateRecord> triState;
    // Absent when the file ends right after the TriState table: the section
    // table is then left as it is.
    std::optional<RemapSections> sections;
};

// Parses a remap data file for a model of `triangles` triangles. A file is
// accepted when it is exactly the TriState table, or the table followed by
// the tag and 16 complete records that end the file.
std::variant<RemapData, RemapFileFailure> ParseRemapData(std::span<const std::uint8_t> bytes,
                                                         std::int64_t triangles);

// The bytes of the remap data file for the model's TriState table and the
// section table (16 records: missing slots are written empty, names are cut
// at 65535 bytes).
std::vector<std::uint8_t> EncodeRemapData(const CarModel& model, const RemapSections& sections);

// Reads and parses the file at `path` for a model of `triangles` triangles;
// every RemapGroup outside 0..6 comes back as 0.
std::variant<RemapData, RemapFileFailure> ReadRemapData(const std::string& path, std::int64_t triangles);

// Load: reads the file at `path` for the model's TriState table. On success
// TriState is replaced (every RemapGroup outside 0..6 becomes 0) and, when the
// file has them, the section table. On failure nothing changes.
// Touches: model.TriState and `sections`.
std::optional<RemapFileFailure> LoadRemapData(CarModel& model, RemapSections& sections, const std::string& path);

// Save: writes the file atomically; an existing file is kept on failure.
SaveStatus SaveRemapData(const CarModel& model, const RemapSections& sections, const std::string& path);

} // namespace mobrix
