#pragma once
// What every fcetool command shares: its arguments, how it reads and writes
// the models named on its command line, and how it ends.
//
// Exit status: 0 on success, 1 when a file is refused or cannot be written,
// 2 on bad usage. Every failure is one line on standard error.

#include "CarArchive.h"
#include "CarModel.h"
#include "FceFiles.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace mobrix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// The words after the command name.
using CommandArgs = std::vector<std::string>;

// Options may stand anywhere among the file names; `--opt VALUE` and
// `--opt=VALUE` are the same; `--` ends the options.
struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    bool help = false;

    bool Has(const std::string& option) const { return options.count(option) > 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

// Why a command stops: bad usage (exit 2, with a pointer to the command's
// help) or a refused or unwritable file (exit 1).
struct Failure {
    enum class Kind { Usage, Refused };
    Kind kind;
    std::string message;
};

Failure BadUsage(std::string message);
Failure Refused(std::string message);
Failure Refused(const std::string& path, const std::string& message);

// What a command ends with: nothing when it did what was asked.
using Outcome = std::optional<Failure>;

// A step's value, or the failure that stops the command.
template <class T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    explicit operator bool() const { return std::holds_alternative<T>(state_); }
    T& operator*() { return std::get<T>(state_); }
    const T& operator*() const { return std::get<T>(state_); }
    T* operator->() { return &std::get<T>(state_); }
    const Failure& failure() const { return std::get<Failure>(state_); }

private:
    std::variant<T, Failure> state_;
};

std::variant<Arguments, Failure> ParseArguments(const CommandArgs& args, const std::set<std::string>& flags,
                                                const std::set<std::string>& valued);

// Text from a file or a file name with its control characters written as
// escapes, so that it fits on one line.
std::string OneLine(const std::string& text);
void PrintError(const std::string& text);
// Prints a failure as one line and gives its exit status.
int Report(const Failure& failure, const char* command);
// Writes each line to standard output; false when that fails.
bool PrintLines(const std::vector<std::string>& lines);

struct CommandShape {
    const char* name;
    const char* help;
    std::optional<std::size_t> files; // exactly this many file names, or the command counts them
    std::set<std::string> flags;
    std::set<std::string> valued;
};

// Parses the arguments, shows the help when asked, refuses a wrong number of
// files, runs `body` and reports its failure. Gives the exit status.
int RunCommand(const CommandArgs& args, const CommandShape& shape,
               const std::function<Outcome(const Arguments&)>& body);

// The flags of every command that reads a model: its variant is detected by
// the file's version word and size unless one of them names it.
inline const std::set<std::string> kVariantFlags = {"--nfs3", "--nfs4", "--fce4m"};

// The variant named by --to (nfs3, nfs4 or fce4m), NFSIII when there is none.
Result<FceVariant> TargetVariant(const Arguments& a);

struct LoadedModel {
    CarModel model;
    FceVariant variant;
    // The archive and entry the model came from, when it came from one.
    std::optional<ArchiveRef> archive;
};

// Every model a command reads or writes goes through these two, as the
// editor's Open and Save As would. A model file may be named as an archive
// or an archive's entry ("car.viv", "car.viv:car.fce"; see CarArchive.h).
// Written into an archive, the model keeps the archive's other entries; a
// new archive is made from the one the model came from (`from`), taking the
// entry name it had there unless the output names one. A command that will
// write the model only as NFSIII reads a plain file's KeptTables::Nfs3.
Result<LoadedModel> LoadModelArg(const Arguments& a, const std::string& path, KeptTables kept = KeptTables::All);
Outcome SaveModelArg(const CarModel& model, const std::string& path, FceVariant variant,
                     const LoadedModel* from = nullptr);

// Reads the model files[0] and hands it to `use`.
Outcome WithModel(const Arguments& a, const std::function<Outcome(const CarModel&)>& use);
// Reads the model files[0], changes it with `edit` and saves it as `out` in
// the variant it was read in.
Outcome EditModel(const Arguments& a, const std::string& out, const std::function<Outcome(CarModel&)>& edit);
// Fills a model with `fill` and saves it as `out` in the variant named by
// --to (NFSIII when there is none).
Outcome WriteModelTo(const Arguments& a, const std::string& out, const std::function<Outcome(CarModel&)>& fill);

// A 1-based part number, or the name as the part list shows it (trimmed of
// blanks, also without what follows a NUL).
std::optional<int> FindPart(const CarModel& model, const std::string& which);

} // namespace mobrix::cli
