#pragma once
// The recovery copy of a session's unsaved model, in the user's data folder
// (never beside the user's file). Each running Mobrix that has written one
// owns a folder of its own under the recovery folder:
//
//   session-XXXXXX/
//       lock          locked (flock) for as long as that Mobrix runs
//       copy.ini      what the copy is and where it belongs, written last
//       model-N.fce   the model in its own variant, generation N
//       remap-N.uv    its remap data file: the triangles' sections and the
//                     section table
//
// A write puts generation N's two files beside those of N - 1, then
// replaces copy.ini, which names N, and only then removes N - 1's files, so
// copy.ini always names a complete copy however a write is cut short. Every
// file is written with the atomic save. A folder appears under its
// session- name only once its lock is held, so another Mobrix never sees a
// folder that is being made; the system lets the lock go when its Mobrix
// ends, however it ends, and a folder whose lock can be taken belongs to a
// session that is over.
//
// Plain C++: the window layer decides when to write and what to ask.

#include "CarModel.h"
#include "FceFiles.h"
#include "RemapSections.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace mobrix::app {

// What copy.ini holds besides the generation: enough to open the model
// again as the session had it.
struct RecoveryManifest {
    FceVariant variant = FceVariant::Nfs3; // the variant model-N.fce is written in
    bool savesInVariant = false;           // "&Save" writes that variant (it has a file of its own)
    bool offersSave = false;               // "&Save" was on
    std::string path;                      // the model's file, or its car archive; empty for none
    std::string archiveEntry;              // the entry in the archive; empty for a loose file
    std::string texturePath;
    VertexSet vertexSet = VertexSet::Normal; // the set the working tables held
    std::string writtenAt;                   // local time of the write, "YYYY-MM-DD HH:MM"
    std::uint64_t generation = 0;

    friend bool operator==(const RecoveryManifest&, const RecoveryManifest&) = default;
};

std::string FormatRecoveryManifest(const RecoveryManifest& manifest);
// Nothing when the text is no manifest or names no generation.
std::optional<RecoveryManifest> ParseRecoveryManifest(const std::string& text);

// The local time as a manifest holds it, "YYYY-MM-DD HH:MM".
std::string RecoveryTimeNow();

// A model read back from a copy.
struct RecoveredModel {
    CarModel model; // FileName is the model's own file again
    RemapSections sections;
};

class RecoverySession;

// A copy that a session left behind, with its folder locked by the finder.
struct LeftCopy;

class RecoverySession {
public:
    // A new folder under `root` (made when missing), locked. The reason
    // when none could be made.
    static std::variant<RecoverySession, std::string> Start(const std::filesystem::path& root);
    // The copies under `root` that sessions which are over left behind,
    // each now locked by the caller, newest first. A folder of a session
    // that is over and left no complete copy is removed.
    static std::vector<LeftCopy> FindLeftCopies(const std::filesystem::path& root);

    RecoverySession(RecoverySession&& other) noexcept;
    RecoverySession& operator=(RecoverySession&& other) noexcept;
    RecoverySession(const RecoverySession&) = delete;
    RecoverySession& operator=(const RecoverySession&) = delete;
    // Lets the lock go; the copy stays for a later start to find.
    ~RecoverySession();

    const std::filesystem::path& Folder() const { return folder_; }
    bool HasCopy() const { return generation_ > 0; }

    // The generation the next write makes.
    std::uint64_t NextGeneration() const { return generation_ + 1; }
    // Writes the model and its remap data as generation `about.generation`
    // (NextGeneration), with `about` as its manifest, and removes the files
    // of the generation before. `beforeCommit` runs once the model and remap
    // files are written, before the manifest names them. Changes nothing in
    // the session, so that it can run in a process of its own: Committed
    // then tells the session. The reason when the copy could not be
    // written; the one before stays.
    std::optional<std::string> Write(const CarModel& model, const RemapSections& sections,
                                     const RecoveryManifest& about, const std::function<void()>& beforeCommit = {}) const;
    void Committed(std::uint64_t generation) { generation_ = generation; }
    // Removes the copy; the folder stays the session's for the next one.
    void RemoveCopy();
    // Removes the copy and the folder and lets the lock go: the session is
    // over and writes nothing more.
    void End();

private:
    RecoverySession(std::filesystem::path root, std::filesystem::path folder, int lockFd, std::uint64_t generation);
    void Release();

    std::filesystem::path root_;
    std::filesystem::path folder_;
    int lockFd_ = -1;
    std::uint64_t generation_ = 0; // the generation copy.ini names, 0: none
};

struct LeftCopy {
    RecoverySession session;
    RecoveryManifest manifest;
};

// Reads the copy's model and remap data back. The reason when it cannot.
std::variant<RecoveredModel, std::string> ReadRecoveryCopy(const LeftCopy& copy);

} // namespace mobrix::app
