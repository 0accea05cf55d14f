#include "ExchangeErrors.h"

#include "FileErrors.h"

namespace mobrix {

namespace {

struct CommandError {
    GeneralError text;
    const char* title;
};

CommandError GeneralErrorOf(ExchangeCommand command)
{
    switch (command) {
    case ExchangeCommand::ExtractPart:
    case ExchangeCommand::InsertPart:
        return {{"An error has occurred whilst extracting the part. The error code reported was:",
                 "The program will attempt to continue running."},
                kProgramTitle};
    case ExchangeCommand::Convert3DS:
    case ExchangeCommand::Convert3DSToPRT:
    case ExchangeCommand::ConvertObj:
    case ExchangeCommand::ImportGltf:
        return {{kLoadingError.opening, "The program will attempt to continue running (but will most probably fail)."},
                kProgramTitle};
    case ExchangeCommand::Export3DS:
    case ExchangeCommand::ExportObj:
    case ExchangeCommand::ExportGltf:
        return {{"An error has occurred during export. The error code reported was:",
                 "The program will attempt to continue running."},
                kExportErrorTitle};
    case ExchangeCommand::ConvertX:
        break;
    }
    return {{kLoadingError.opening, "The program will attempt to continue running."}, kLoadErrorTitle};
}

std::string NotTriangleText(std::int64_t face)
{
    if (face == 0)
        return kOnlyTrianglesMessage;
    return kOnlyTrianglesOnFaceMessage + std::to_string(face);
}

} // namespace

ExchangeMessage FailureMessage(ExchangeCommand command, const ExchangeFailure& failure)
{
    switch (failure.kind) {
    case ExchangeError::FileNotFound: return {kFileNotFoundMessage, kErrorTitle, MessageIcon::Exclamation};
    case ExchangeError::TooManyParts: return {kTooManyPartsMessage, kErrorTitle, MessageIcon::Critical};
    case ExchangeError::InvalidHeader: return {kInvalidPartHeaderMessage, kErrorTitle, MessageIcon::Critical};
    case ExchangeError::NotTriangle: return {NotTriangleText(failure.face), kLoadErrorTitle, MessageIcon::None};
    case ExchangeError::Failed: break;
    }
    const CommandError general = GeneralErrorOf(command);
    std::string text = GeneralErrorMessage(general.text, failure.code);
    const bool detailed = command == ExchangeCommand::ConvertObj || command == ExchangeCommand::ExportObj ||
                          command == ExchangeCommand::ImportGltf || command == ExchangeCommand::ExportGltf;
    if (detailed && !failure.detail.empty())
        text += "\r" + failure.detail;
    return {std::move(text), general.title, MessageIcon::Critical};
}

std::string OneLineFailureMessage(ExchangeCommand command, const ExchangeFailure& failure)
{
    if (failure.kind == ExchangeError::Failed)
        return OneLineGeneralError(GeneralErrorOf(command).text, failure.code, failure.detail);
    std::string text = FailureMessage(command, failure).text;
    if (!failure.detail.empty())
        text += " (" + failure.detail + ")";
    return text;
}

} // namespace mobrix
