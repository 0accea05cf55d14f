#pragma once
// Car archives: the BIGF family of archives (car.viv) that cars ship in,
// holding the model (car.fce), its texture (car00.tga) and text and data
// files.
//
// Layout. A 16-byte header: the magic "BIGF" ("BIGH" and "BIG4" are read
// too), the archive's size in bytes, the number of entries and the header
// size (the 16 bytes plus the directory). Numbers are big-endian, except
// that "BIG4" archives, and some "BIGF" ones, store the archive size
// little-endian: either order is taken when it gives the file's real size.
// The directory follows: per entry its offset, its size (both big-endian
// u32) and its name, terminated by a NUL. Names may use '/' or '\' between
// folders.
//
// Reading checks every number against the file before anything is
// allocated: the archive size, the header size, the entry count against
// the room the directory has, each record's end against the header size,
// each name (terminated, not empty, no control characters) and each entry's
// bytes against the file's end. A refusal names the entry at fault.
// Entries may overlap one another or the directory; they read as they are.
//
// Writing always lays out the plain form: "BIGF", big-endian numbers, the
// header size exactly 16 plus, per entry, 8 bytes and the name with its
// NUL, and the files packed back to back in directory order right after
// it, without padding. An archive in that form reads and writes back byte
// for byte; any other archive (another magic, a swapped size, padding,
// gaps, overlaps) is rewritten in the plain form with the same entries and
// contents. Saves replace the archive atomically, as model saves do.
//
// What the window and fcetool do around these calls:
//  - list: ListViv(path) reads only the header and directory;
//  - open a car: LoadModelFromArchive(model, path, "") picks the first
//    ".fce" entry (FirstFceEntry), or the named one, and reads it with the
//    FCE reader of its variant (by the NFSIV magic unless one is forced);
//    the outcome says which entry and variant it was;
//  - save a car: PrepareForSave(model, variant), then
//    SaveModelIntoArchive(model, path, entryName, variant) writes the encoded
//    model into that entry, keeping every other entry's bytes and the
//    directory order;
//  - texture: FindEntry(archive, "car00.tga") and EntryBytes(...), and
//    ReplaceEntryInArchive(path, "car00.tga", bytes) to put a new one in;
//  - extract: ExtractViv(...) writes every entry under a folder, refusing
//    names that would leave it (SafeExtractPath).

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mobrix {

inline constexpr std::size_t kVivHeaderSize = 16;
// The archive size is a 32-bit number: no archive is larger.
inline constexpr std::uint64_t kMaxVivSize = 0xFFFFFFFFu;

enum class VivKind { Bigf, Bigh, Big4 };

struct VivEntry {
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;

    bool operator==(const VivEntry&) const = default;
};

struct VivArchive {
    VivKind kind = VivKind::Bigf;
    std::uint32_t headerSize = 0; // as stored: the header plus the directory
    std::vector<VivEntry> entries;
};

enum class VivError {
    NotAnArchive,        // shorter than a header, or no BIGF/BIGH/BIG4 magic
    SizeMismatch,        // the archive size is not the file's size in either byte order
    BadHeaderSize,       // the header size is below 16 or past the end of the file
    TooManyEntries,      // more entries than the directory has room for
    DirectoryPastHeader, // an entry's record runs past the header size
    NameNotTerminated,   // no NUL before the header size
    EmptyName,
    BadName,             // a control character in the name
    EntryPastEnd,        // an entry's bytes run past the end of the file
    TooLarge,            // an archive to write would pass 4 GiB
    NoSuchEntry,         // no entry of the name asked for (or no ".fce" entry)
    UnsafeName,          // extraction: the name would leave the folder
    ModelUnreadable,     // the FCE reader refused the entry: see `model`
    ModelUnwritable,     // the FCE writer refused the model: see `save`
    FileError,           // reading or writing a file failed: see `code`
};

struct VivFailure {
    VivError kind = VivError::FileError;
    int code = 0;            // error number in the numbering of FileErrors.h
    std::string detail;      // the message, naming the entry at fault
    std::int64_t entry = -1; // 0-based index of that entry; -1 for the header
    std::optional<LoadFailure> model; // ModelUnreadable: what the FCE reader said
};

using VivStatus = std::optional<VivFailure>;

// The message for a failure on one line: the detail (which holds the FCE
// reader's or writer's message for those failures).
std::string VivFailureMessage(const VivFailure& failure);

// --- Reading -------------------------------------------------------------

using VivRead = std::variant<VivArchive, VivFailure>;

// Reads the header and directory from `head`, the first bytes of an archive
// of `fileSize` bytes. `head` must hold the header and directory (the whole
// file does); entries are checked against `fileSize`.
VivRead ReadVivDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The archive in `file`, the whole file's bytes.
VivRead ReadViv(std::span<const std::uint8_t> file);

// The archive at `path`, reading only its header and directory.
VivRead ListViv(const std::string& path);

// A whole archive file in memory with its directory.
struct LoadedViv {
    std::vector<std::uint8_t> bytes;
    VivArchive archive;
};
std::variant<LoadedViv, VivFailure> LoadViv(const std::string& path);

// The entry's bytes inside `file`, the archive it was read from; empty when
// they are not all inside it.
std::span<const std::uint8_t> EntryBytes(std::span<const std::uint8_t> file, const VivEntry& entry);

// The first entry of that name, letter case ignored.
std::optional<std::size_t> FindEntry(const VivArchive& archive, std::string_view name);

// The first entry whose name ends in ".fce", letter case ignored.
std::optional<std::size_t> FirstFceEntry(const VivArchive& archive);

// The relative path (folders separated by '/') an entry may be extracted
// to, or nothing when the name is not safe: empty, led by '/' or '\', led
// by a drive letter ("C:"), with a ".." component, or with nothing left
// but "." components. "." and empty components are dropped.
std::optional<std::string> SafeExtractPath(std::string_view name);

// --- Writing -------------------------------------------------------------

// One file to write into an archive; the bytes are not copied until the
// archive is encoded.
struct VivFileView {
    std::string_view name;
    std::span<const std::uint8_t> bytes;
};

// The entries of a read archive as files to write, in directory order.
std::vector<VivFileView> VivFiles(std::span<const std::uint8_t> file, const VivArchive& archive);

using VivEncoded = std::variant<std::vector<std::uint8_t>, VivFailure>;

// The plain archive of `files` in their order. Names must be as a reader
// accepts them; the whole must stay within 4 GiB.
VivEncoded EncodeViv(std::span<const VivFileView> files);

// The archive `file` (read as `archive`) with entry `index` holding
// `replacement`, every other entry's bytes and the order kept, in the plain
// layout.
VivEncoded ReplaceEntry(std::span<const std::uint8_t> file, const VivArchive& archive, std::size_t index,
                        std::span<const std::uint8_t> replacement);

// Encodes `files` and replaces the archive at `path` atomically; on failure
// the file at `path` is untouched.
VivStatus SaveViv(const std::string& path, std::span<const VivFileView> files);

// Replaces the bytes of the archive's entry `entryName` (letter case
// ignored; the first ".fce" entry when empty) in the archive at `path`, keeping every other entry's bytes and
// the order; the archive is replaced atomically, in the plain layout.
VivStatus ReplaceEntryInArchive(const std::string& path, const std::string& entryName,
                                std::span<const std::uint8_t> replacement);

// Writes every entry of `file` under `folder` (made when missing), each
// atomically, at SafeExtractPath of its name. Refuses the whole archive,
// before writing anything, when any name is unsafe. Returns the paths
// written, in directory order (a later entry of the same path wins). A
// write that fails stops there; the files written before it stay.
std::variant<std::vector<std::string>, VivFailure> ExtractViv(std::span<const std::uint8_t> file,
                                                               const VivArchive& archive, const std::string& folder);

// --- Models inside archives -----------------------------------------------

struct ArchiveModel {
    std::string entryName; // the entry the model came from
    FceVariant variant = FceVariant::Nfs4;
};

// Reads the model from the archive's entry `entryName` (letter case
// ignored), or from its first ".fce" entry when `entryName` is empty, with
// the reader of `variant`, or of the variant the entry's magic says when
// none is given. A refused read leaves the model as the FCE readers do.
std::variant<ArchiveModel, VivFailure> LoadModelFromArchive(CarModel& model, const std::string& archivePath,
                                                            const std::string& entryName,
                                                            std::optional<FceVariant> variant = std::nullopt);

// Encodes the model as `variant` and writes it into the archive's entry
// `entryName` (letter case ignored; the first ".fce" entry when empty),
// keeping every other entry; the archive is replaced atomically, in the
// plain layout. As with SaveFCEAs, the caller runs PrepareForSave first so
// that the model holds what the entry holds.
VivStatus SaveModelIntoArchive(const CarModel& model, const std::string& archivePath, const std::string& entryName,
                               FceVariant variant);

} // namespace mobrix
