#pragma once
// Readers and writers of the two FCE variants.
//
// Readers parse into locals, check every count and block position against
// the file before allocating, and change the model only on success: after a
// failed read the model is exactly what it was. Writers build the whole file
// in memory and replace the target atomically, so a failed save never
// damages the existing file.
//
// Writers never change the model. What a save does to the model (a model
// converted from 3DS losing part names, an NFSIII model gaining the NFSIV
// tables, the NFSIV header record being rebuilt) is PrepareForSave, which
// the caller runs first so that the model afterwards holds what the file
// holds. The writers give the same bytes with or without it.

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

// Writes the model as an NFSIII file. A model converted from 3DS is written
// with at most 16 parts (when it has 17 or more) and zeroed reserved blocks;
// PrepareForSave makes the model so.
SaveStatus SaveFCE3(const CarModel& model, const std::string& path);

struct EncodedFile {
    std::vector<std::uint8_t> bytes;
    SaveStatus failure;
};
EncodedFile EncodeFCE3(const CarModel& model);

// --- NFSIV ---------------------------------------------------------------

// Reads an NFSIV file into the model: the working set holds vertex set 0,
// V is converted from the stored 1 - V, FileFormat is NFSIV. HeaderTail keeps
// what it held.
LoadStatus LoadFCE4(CarModel& model, const std::string& path);
LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model);

// Writes the model as an NFSIV file. A model that did not come from an NFSIV
// file is written with three identical vertex and normal sets, VertFlags 4
// and zeroed NFSIV reserved blocks; the working set is written as the active
// set. A colour component outside 0..255 fails with an overflow before
// anything is written.
SaveStatus SaveFCE4(const CarModel& model, const std::string& path);

EncodedFile EncodeFCE4(const CarModel& model);

// --- Both ----------------------------------------------------------------

bool HasNfs4Magic(std::span<const std::uint8_t> head);

// NFSIV when the file starts with the NFSIV magic, NFSIII otherwise
// (including files that cannot be read; the reader then reports why).
FceVariant DetectVariant(const std::string& path);

// What "Open" does with the model: the reader of the chosen variant.
LoadStatus OpenFCE(CarModel& model, const std::string& path, FceVariant variant);

// Makes the model hold what a save as `variant` writes. NFSIII: a model
// converted from 3DS with 17 or more parts keeps 16 part-name slots and 16
// parts, and its reserved blocks are zeroed. NFSIV: a model converted from
// 3DS gets zeroed reserved blocks and counts as NFSIII from then on; an
// NFSIII model gets three copies of the working set, VertFlags 4, zeroed
// NFSIV reserved blocks and 64 part-name slots; the working set is copied
// into the active set; Fce4Header is rebuilt (unless a colour or the size
// cannot be written). V values are never touched.
void PrepareForSave(CarModel& model, FceVariant variant);

// What "Save As" does with the model after PrepareForSave: the writer of the
// chosen variant.
SaveStatus SaveFCEAs(const CarModel& model, const std::string& path, FceVariant variant);

} // namespace mobrix
