#pragma once
// Outcomes of the exchange commands (part files, 3DS, X, OBJ, glTF) and the exact texts
// the user sees for them. The core returns an ExchangeFailure; the window
// turns it into a message box with FailureMessage(), fcetool prints
// OneLineFailureMessage().

#include "FileErrors.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mobrix {

// The menu command a failure belongs to; it decides the wording of the
// general error message and the box title.
enum class ExchangeCommand {
    ExtractPart,     // "&Extract Part"
    InsertPart,      // "&Insert Part"
    Convert3DS,      // "Convert 3DS"
    Convert3DSToPRT, // "Convert 3DS to PRT"
    Export3DS,       // "Export 3DS"
    ConvertX,        // "Convert X"
    ConvertObj,      // "Convert OBJ"
    ExportObj,       // "Export OBJ"
    ImportGltf,      // "Import glTF"
    ExportGltf,      // "Export glTF"
};

enum class ExchangeError {
    FileNotFound,  // the chosen file does not exist
    TooManyParts,  // inserting a part into a model that has 15 parts
    InvalidHeader, // a text part file that does not start with its header line
    NotTriangle,   // an X face with other than three corners; `face` says which
    Failed,        // anything else: the command's general error with `code`
};

struct ExchangeFailure {
    ExchangeError kind = ExchangeError::Failed;
    int code = 0;             // error number shown in the general message
    std::string detail;       // what exactly was wrong, for the command line
    std::int64_t face = 0;    // NotTriangle: the 0-based number of the face
};

// Empty on success.
using ExchangeStatus = std::optional<ExchangeFailure>;

// Error numbers of the exchange readers, in the numbering of FileErrors.h.
namespace ExchangeErrorCode {
inline constexpr int TypeMismatch = 13;       // a number that cannot be read
inline constexpr int InputPastEndOfFile = 62; // data cut short by its file or chunk
inline constexpr int InvalidFileFormat = 321; // not a file of the expected kind at all
} // namespace ExchangeErrorCode

// --- Texts -------------------------------------------------------------

inline constexpr const char* kInvalidPartHeaderMessage =
    "Not sure if this is a NFSIII Mobrix part file. (Invalid header)";
inline constexpr const char* kOnlyTrianglesMessage = "Error - only 3-sided polygons allowed";
inline constexpr const char* kOnlyTrianglesOnFaceMessage =
    "Error - only 3-sided polygons allowed - error on polygon: ";
inline constexpr const char* kLoadErrorTitle = "Load error";
inline constexpr const char* kXFinishedMessage =
    "Finished loading 'X' file. Will now save to disk as FCE (hopefully)";
inline constexpr const char* kExportErrorTitle = "Oops!";

// File dialogs of the commands.
inline constexpr const char* kPartFileInitialName = "*.PRT";
inline constexpr const char* kExtractPartFilter = "NFSIII Mobrix Part files|*.PRT|ASCII Text File|*.TXT";
inline constexpr const char* kInsertPartFilter = "Mobrix Part files|*.PRT|ASCII Text File|*.TXT";
inline constexpr const char* k3dsInitialName = "*.3DS";
inline constexpr const char* k3dsFilter = "*.3DS";
inline constexpr const char* k3dsDefaultExtension = "3DS";
inline constexpr const char* kExport3dsDialogTitle = "Export";
inline constexpr const char* kXFilter = "*.X";

struct ExchangeMessage {
    std::string text;  // lines joined by carriage returns
    std::string title;
    MessageIcon icon = MessageIcon::None;
};

// The message box a failed command shows. The OBJ and glTF commands add
// the detail (which says what in the file was refused) as a last line.
ExchangeMessage FailureMessage(ExchangeCommand command, const ExchangeFailure& failure);

// The same text on one line (carriage returns become blanks, the error
// number follows its sentence), with the detail in parentheses.
std::string OneLineFailureMessage(ExchangeCommand command, const ExchangeFailure& failure);

} // namespace mobrix
