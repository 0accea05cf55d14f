#pragma once
// A car model and its texture inside a car archive, as fcetool and the
// window name and use them.
//
// Naming. "car.viv" names an archive's first ".fce" entry; "car.viv:car.fce"
// names the entry "car.fce" of it. A path names an archive when it ends in
// ".viv" (any letter case) or, for a file that exists, when it starts with
// an archive's magic.
//
// Writing a model into an archive keeps every other entry: an existing
// entry is replaced in place, a missing one is added at the end; an archive
// that does not exist yet is made from the entries of `base` (the archive the
// model came from) when one is given, else it holds the model alone as
// "car.fce".
//
// The texture of a car is found as the game finds it: "car00.tga" in the
// same archive or folder, then an image of the model's own name (".tga",
// ".bmp" then ".png"), every name compared without letter case.

#include "Viv.h"

#include <optional>
#include <string>
#include <string_view>

namespace mobrix {

inline constexpr const char* kArchiveModelName = "car.fce";
inline constexpr const char* kCarTextureName = "car00.tga";

struct ArchiveRef {
    std::string archive; // the archive file
    std::string entry;   // the entry named; empty for the first ".fce" entry
};

// The archive and entry a name stands for, or nothing for a loose file.
std::optional<ArchiveRef> ParseArchiveRef(const std::string& name);

// Whether the file starts with an archive's magic ("BIGF", "BIGH", "BIG4").
bool HasVivMagic(const std::string& path);

// The entry a model written into `archive` goes to: the one named, else the
// first ".fce" entry, else "car.fce".
std::string ModelEntryFor(const VivArchive& archive, const std::string& named);

// Writes the encoded model as `variant` into the archive (see above).
// Returns the entry written.
std::variant<std::string, VivFailure> PutModelInArchive(const CarModel& model, FceVariant variant,
                                                       const ArchiveRef& target, const std::string& base = {});

// Where a car's texture was found: a loose file (`entry` empty) or an entry
// of the archive at `path`.
struct CarTexture {
    std::string path;
    std::string entry;
};

// The names looked for, in order, for the model file or entry `modelName`.
std::vector<std::string> CarTextureNames(const std::string& modelName);

// The texture of the loose model at `modelPath`, in its folder.
std::optional<CarTexture> FindCarTexture(const std::string& modelPath);
// The texture of the model `modelEntry` of the archive at `archivePath`:
// in the archive first, then in the archive's folder.
std::optional<CarTexture> FindCarTexture(const std::string& archivePath, const VivArchive& archive,
                                         const std::string& modelEntry);

// Whether an entry's name is an image a texture can be read from.
bool IsImageEntry(std::string_view name);

} // namespace mobrix
