#pragma once
// Typed outcomes of reading and writing model files, and the exact texts the
// user sees for them. Each load error kind maps to one message; the window
// decides the box, fcetool prints the text on one line.

#include <optional>
#include <string>

namespace mobrix {

enum class LoadError {
    // An absurd count or size, more than 64 parts, a block that cannot fit in
    // the file, or no memory for the tables: "Not an NFSIII File!".
    IndexOutOfRange,
    // A block at a position that is not valid (negative or past the end):
    // "This file appears to contain corrupted data."
    CorruptedData,
    // The NFSIV magic is missing: "Not an NFSIV File!".
    NotNfs4File,
    // Neither the FCE4M version word nor 0 with the FCE4M size:
    // "Not an FCE4M File!".
    NotFce4mFile,
    // Anything else (file missing, unreadable, ...), shown with its code.
    Other,
};

// Error numbers shown in the general error message. They keep the numbering
// modellers know from the tools of the era.
namespace ErrorCode {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int BadFileName = 52;
inline constexpr int InternalError = 51;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIoError = 57;
inline constexpr int DiskFull = 61;
inline constexpr int BadRecordNumber = 63;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int NotNfs4File = 32000;
inline constexpr int NotFce4mFile = 32001;
} // namespace ErrorCode

struct LoadFailure {
    LoadError kind = LoadError::Other;
    int code = 0;
    std::string detail; // what exactly was wrong, for the command line
};

// Empty on success.
using LoadStatus = std::optional<LoadFailure>;

struct SaveFailure {
    int code = 0;
    std::string detail;
};

using SaveStatus = std::optional<SaveFailure>;

inline constexpr const char* kNotNfs3Message = "Not an NFSIII File!";
inline constexpr const char* kCorruptedMessage = "This file appears to contain corrupted data.";
inline constexpr const char* kNotNfs4Message = "Not an NFSIV File!";
inline constexpr const char* kNotFce4mMessage = "Not an FCE4M File!";
inline constexpr const char* kFileFormatTitle = "Error in file format";
inline constexpr const char* kContactAddress = "the Mobrix issue tracker";
// The icon of a message box: critical for limits and bad input, exclamation
// when there is nothing to act on.
enum class MessageIcon { None, Critical, Exclamation, Information, Question };

inline constexpr const char* kErrorTitle = "Error!";  // limits and bad input
inline constexpr const char* kProgramTitle = "Mobrix"; // boxes with the program's default title
inline constexpr const char* kFileNotFoundMessage = "File not found";
inline constexpr const char* kTooManyPartsMessage = "No more parts allowed! (max. 15)";

// An unexpected failure inside a command is shown as four lines: a sentence
// naming the operation, the error number, where to report it, and a closing
// sentence.
struct GeneralError {
    const char* opening;
    const char* closing;
};
inline constexpr GeneralError kLoadingError{
    "An error has occurred during the loading process. The error code reported was:",
    "The program will attempt to continue running, however this error will probably make Mobrix unstable."};
inline constexpr GeneralError kSavingError{
    "An error has occurred whilst saving the file. The error code reported was:",
    "The program will attempt to continue running."};

// The four lines joined by carriage returns.
std::string GeneralErrorMessage(const GeneralError& error, int code);
// The same on one line for the command line: the opening sentence, the
// number, and the detail in parentheses when there is one.
std::string OneLineGeneralError(const GeneralError& error, int code, const std::string& detail);

// Text of the message box for a failed read. For LoadError::Other it is the
// general loading error.
std::string LoadFailureMessage(const LoadFailure& failure);
std::string OneLineLoadFailureMessage(const LoadFailure& failure);

// The general saving error.
std::string SaveFailureMessage(const SaveFailure& failure);
std::string OneLineSaveFailureMessage(const SaveFailure& failure);

// Short English description of an error number ("File not found").
std::string ErrorCodeDescription(int code);

// Error number for a C library errno value met while opening, reading or
// writing a file.
int ErrorCodeFromErrno(int err);

} // namespace mobrix
