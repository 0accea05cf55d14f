#pragma once
// Readers and writers of the three FCE variants: NFSIII, NFSIV and FCE4M.
//
// Readers parse into locals, check every count and block position against
// the file before allocating, and change the model only on success: after a
// failed read the model is exactly what it was. They take a file from the
// disk block by block, never whole. Writers write the file as they encode it
// into a temporary file that then replaces the target atomically, so a failed
// save never damages the existing file.
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

inline constexpr std::uint32_t kFce4mVersion = 0x00101015;

enum class FceVariant { Nfs3, Nfs4, Fce4m };

// What the NFSIV and FCE4M readers keep. A caller that will only write the
// model as NFSIII (a convert to NFSIII) asks for the NFSIII tables: the
// model is what the whole read and then ConvertToVariant to NFSIII leave,
// but the tables NFSIII drops are only checked against the file, never
// held, so a big file's conversion holds little more than it writes.
enum class KeptTables { All, Nfs3 };

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
LoadStatus LoadFCE4(CarModel& model, const std::string& path, KeptTables kept);
LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model);
LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model, KeptTables kept);

// Writes the model as an NFSIV file. A model that did not come from an NFSIV
// file is written with three identical vertex and normal sets, VertFlags 4
// and zeroed NFSIV reserved blocks; the working set is written as the active
// set. A colour component outside 0..255 fails with an overflow before
// anything is written.
SaveStatus SaveFCE4(const CarModel& model, const std::string& path);

EncodedFile EncodeFCE4(const CarModel& model);

// --- FCE4M ---------------------------------------------------------------

// Reads an FCE4M file as ReadFCE4 reads an NFSIV file: the same header and
// tables, plus the byte per vertex after the triangles' reserved table
// (VertReservedC). FileFormat is FCE4M. The file starts with the version
// word 15 10 10 00, or with 0 when it is exactly Fce4mFileSize long; any
// colour count is accepted, and the header record (with its version word
// and the field at 0x0924) is kept as read.
LoadStatus LoadFCE4M(CarModel& model, const std::string& path);
LoadStatus LoadFCE4M(CarModel& model, const std::string& path, KeptTables kept);
LoadStatus ReadFCE4M(std::span<const std::uint8_t> file, CarModel& model);
LoadStatus ReadFCE4M(std::span<const std::uint8_t> file, CarModel& model, KeptTables kept);

// Writes the model as an FCE4M file, laid out as SaveFCE4 lays out an NFSIV
// file with the extra bytes last (zeros for a model that did not come from
// an FCE4M file). The version word is 15 10 10 00, or 0 when the model was
// read from a file that held 0 there.
SaveStatus SaveFCE4M(const CarModel& model, const std::string& path);
EncodedFile EncodeFCE4M(const CarModel& model);

// The length of an FCE4M file: 0x2038 + 141 V + 68 T bytes.
std::int64_t Fce4mFileSize(std::int64_t vertices, std::int64_t triangles);

// --- All -----------------------------------------------------------------

bool HasNfs4Magic(std::span<const std::uint8_t> head);

// The variant of a file by its first word and its size: 14 10 10 00 is
// NFSIV, 15 10 10 00 FCE4M. Any other file is NFSIII when its header and
// blocks fit the NFSIII layout, FCE4M when its word is 0 and its size is
// Fce4mFileSize of the counts at 0x08 and 0x0C; a file that is neither is
// never guessed: it goes to the NFSIII reader, which refuses it and says
// why. `head` is the start of the file (at least the NFSIII header when the
// file is that long).
FceVariant DetectVariantOf(std::span<const std::uint8_t> head, std::uint64_t fileSize);
FceVariant DetectVariant(const std::string& path);

// What "Open" does with the model: the reader of the chosen variant. An
// NFSIII file holds only what KeptTables::Nfs3 keeps anyway.
LoadStatus OpenFCE(CarModel& model, const std::string& path, FceVariant variant,
                   KeptTables kept = KeptTables::All);

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
EncodedFile EncodeFCEAs(const CarModel& model, FceVariant variant);

} // namespace mobrix
