#pragma once
// Readers and writers of the two FCE variants.
//
// Readers parse into locals, check every count and block position against
// the file before allocating, and change the model only on success: after a
// failed read the model is exactly what it was. Writers build the whole file
// in memory and replace the target atomically, so a failed save never
// damages the existing file.

#include "CarModel.h"
#include "FileErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr int kFce3HeaderSize = 0x1F04; // 7940
inline constexpr int kFce4HeaderSize = kNfs4HeaderSize; // 8248
inline constexpr std::array<std::uint8_t, 4> kFce4Magic{0x14, 0x10, 0x10, 0x00};

enum class FceVariant { Nfs3, Nfs4 };

// --- NFSIII --------------------------------------------------------------

// Reads an NFSIII file into the model. On success FileFormat is NFSIII, the
// NFSIV tables are empty, the selection is cleared and the part-name table
// has 64 slots; the NFSIV-only colour tables and Fce4Header keep what they
// held.
LoadStatus LoadFCE(CarModel& model, const std::string& path);
LoadStatus ReadFCE3(std::span<const std::uint8_t> file, CarModel& model);

// Writes the model as an NFSIII file. A model converted from 3DS first loses
// part-name slots beyond 16 (when it has 17 or more parts) and gets zeroed
// reserved blocks, as a save of such a model always did.
SaveStatus SaveFCE3(CarModel& model, const std::string& path);

struct EncodedFile {
    std::vector<std::uint8_t> bytes;
    SaveStatus failure;
};
EncodedFile EncodeFCE3(CarModel& model);

// --- NFSIV ---------------------------------------------------------------

// Reads an NFSIV file into the model: the working set holds vertex set 0,
// V is converted from the stored 1 - V, FileFormat is NFSIV. HeaderTail keeps
// what it held.
LoadStatus LoadFCE4(CarModel& model, const std::string& path);
LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model);

// Writes the model as an NFSIV file. A model that did not come from an NFSIV
// file gets three identical vertex and normal sets, VertFlags 4 and zeroed
// NFSIV reserved blocks first; the working set is copied back into the active
// set; Fce4Header is rebuilt. The model's V values are never touched. A colour
// component outside 0..255 fails with an overflow before anything is written.
SaveStatus SaveFCE4(CarModel& model, const std::string& path);

EncodedFile EncodeFCE4(CarModel& model);

// --- Both ----------------------------------------------------------------

bool HasNfs4Magic(std::span<const std::uint8_t> head);

// NFSIV when the file starts with the NFSIV magic, NFSIII otherwise
// (including files that cannot be read; the reader then reports why).
FceVariant DetectVariant(const std::string& path);

// What "Open" does with the model: the reader of the chosen variant.
LoadStatus OpenFCE(CarModel& model, const std::string& path, FceVariant variant);

// What "Save As" does with the model: the writer of the chosen variant.
SaveStatus SaveFCEAs(CarModel& model, const std::string& path, FceVariant variant);

} // namespace mobrix
