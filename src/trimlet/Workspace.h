#pragma once
// The working copy of an opened model in the temp folder: one part file per
// part and the project file. Splitting fills it, the editing commands
// rewrite part files, fusing merges them, and joining builds the FCE file
// from them again.

#include "FceStore.h"
#include "FileFailure.h"
#include "SafeFiles.h"
#include "PartFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace trimlet {

// Splits the FCE file at `fcePath` into the temp folder: the part files
// TPART1.PRT onwards and TPROJECT.PRJ. Part files of an earlier, larger
// model are removed first so the folder holds only this model's parts.
std::variant<FceStore, FileFailure> SplitFce(const std::filesystem::path& fcePath,
                                             const std::filesystem::path& tempFolder);

// Reassembles the FCE file from the project's part files and writes it over
// `fcePath` through a temporary file, so a failed save leaves the file as it
// was.
std::optional<FileFailure> JoinFce(const std::filesystem::path& fcePath, const std::filesystem::path& tempFolder,
                                   const FceStore& store);

// Reads and checks one part file of the temp folder.
std::variant<PartFile, FileFailure> LoadPart(const std::filesystem::path& tempFolder, const std::string& fileName,
                                             IdentityCheck identity = IdentityCheck::Check);

std::optional<FileFailure> SavePart(const std::filesystem::path& tempFolder, const std::string& fileName,
                                    const PartFile& part);

// Appends `other` to `target`: its vertex sets, normal sets and flags after
// the target's, its triangles after the target's with their corners moved
// past the target's vertices. The appended vertices are moved by the
// difference of the two part positions, so they stay where they were in the
// model although they are now placed at the target's position: a part's
// vertices are relative to its position, and copied unchanged under the
// target's position they would all jump there (a wheel fused into the body
// would land in the middle of the body).
void AppendPart(PartFile& target, const PartFile& other);

struct FuseOutcome {
    int target = -1;          // the part the others were appended to
    std::vector<int> removed; // the appended parts, by their index before fusing
};

// Fuses the parts at `selected` (indices into the project's parts): the
// first is the target, every further one is appended to it, its part file
// deleted and its name removed from the project. Fewer than two selected
// parts change nothing. Nothing is deleted unless the target's new file was
// written.
std::variant<FuseOutcome, FileFailure> FuseParts(const std::filesystem::path& tempFolder, ProjectData& project,
                                                 std::vector<int> selected);

} // namespace trimlet
