#pragma once
// Part files: one part of the model written on its own, and read back as a
// new last part of a model.
//
// Binary form (no magic, little-endian): the 64-character name field, the
// vertex count N and triangle count M (int32 each), N vertices, N normals
// (three floats each) and M 56-byte triangle records as the model holds them.
//
// Text form: lines ended by CR LF, headed "NFSIII Mobrix Part File", with the
// name, the counts, a vertex and a normal table (coordinates with ten
// decimals) and a triangle table of corner indices and texture coordinates.
// Neither form carries the part's position or NFSIV damage data.
//
// What the window does around these calls:
//  - "&Extract Part" (mnuEPart_Click): save dialog with kPartFileInitialName
//    and kExtractPartFilter, entry 1 preselected; empty name: stop; entry 1
//    calls ExtractPart(..., PartFileFormat::Binary), entry 2 with Text and
//    GeneralDateTime(now) as `created`; any other entry: stop. A failure is
//    shown with FailureMessage(ExchangeCommand::ExtractPart, ...).
//  - "&Insert Part" (mnuIPart_Click): when PartLimitReached(model) show
//    kTooManyPartsMessage (title kErrorTitle, critical icon) and stop before
//    any dialog. Open dialog with kPartFileInitialName and kInsertPartFilter,
//    entry 1 preselected; entry 1 calls InsertPart(..., Binary), entry 2 with
//    Text; a failure is shown with FailureMessage(ExchangeCommand::InsertPart,
//    ...) (a missing file gives "File not found", title "Error!"). Afterwards,
//    also after an empty file name: add the new part's trimmed name to the
//    part list, refill the vertex list with 1..PartNumVertices[CurrentPart]
//    (select the first entry when there is one) and the triangle list with
//    1..PartNumTriangles[CurrentPart], clear the dialog's file name.
//    CurrentPart does not change and no view is redrawn.

#include "CarModel.h"
#include "ExchangeErrors.h"

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mobrix {

enum class PartFileFormat { Binary, Text };

inline constexpr const char* kPartFileHeader = "NFSIII Mobrix Part File";
inline constexpr int kBinaryPartHeaderSize = 72; // name field and the two counts

// Text when the path ends in ".TXT" (any letter case), binary otherwise.
PartFileFormat PartFileFormatFor(std::string_view path);

// The check "&Insert Part" makes before it shows any dialog: the model
// already has its 15 parts.
bool PartLimitReached(const CarModel& model);

// The current local date and time in the user's general format (the C
// library's date and time of the LC_TIME locale), for the "File created: "
// line of a text part file.
std::string GeneralDateTime(std::time_t when);

// --- Extract ---------------------------------------------------------------

// The part file bytes of `part` (0-based). Fails, writing nothing, when the
// model has no such part or the part's ranges leave the tables.
ExchangeStatus EncodePartBinary(const CarModel& model, int part, std::vector<std::uint8_t>& out);
ExchangeStatus EncodePartText(const CarModel& model, int part, std::string_view created,
                              std::vector<std::uint8_t>& out);

// Writes the part file; an existing file is replaced only by a complete one.
ExchangeStatus ExtractPart(const CarModel& model, int part, const std::string& path, PartFileFormat format,
                           std::string_view created = {});

// --- Insert ----------------------------------------------------------------

// Appends the part of a binary part file as the new last part. Its
// vertices, normals and triangle records are taken as they are; the three
// reserved blocks of every vertex of the model are zeroed; the selection
// is kept and grows with zero entries.
ExchangeStatus InsertPartBinary(CarModel& model, std::span<const std::uint8_t> file);

// Appends the part of a text part file as the new last part. The triangles
// get TexPage 0, Flags 0 and the fill words 0xFF00; the reserved blocks of
// the existing vertices are kept; every selection mark is cleared.
ExchangeStatus InsertPartText(CarModel& model, std::span<const std::uint8_t> file);

// Either of the above on a file. Refused with ExchangeError::TooManyParts
// when PartLimitReached. Every count, index and length is checked first: a
// refused file leaves the model exactly as it was.
ExchangeStatus InsertPart(CarModel& model, const std::string& path, PartFileFormat format);

// --- Part files of other commands --------------------------------------------

// The binary part file of a part that is not in the model (3DS objects
// written as part files).
std::vector<std::uint8_t> EncodeBinaryPartFile(const Name64& name, std::span<const Vec3> vertices,
                                                std::span<const Vec3> normals, std::span<const Triangle> triangles);

} // namespace mobrix
