#include "ExchangeErrors.h"

#include "FileErrors.h"

namespace mobrix {

namespace {

struct GeneralError {
    const char* opening; // the sentence naming the operation
    const char* closing;
    const char* title;
};

GeneralError GeneralErrorOf(ExchangeCommand command)
{
    switch (command) {
    case ExchangeCommand::ExtractPart:
    case ExchangeCommand::InsertPart:
        return {"An error has occurred whilst extracting the part. The error code reported was:",
                "The program will attempt to continue running.", kProgramTitle};
    case ExchangeCommand::Convert3DS:
    case ExchangeCommand::Convert3DSToPRT:
        return {"An error has occurred during the loading process. The error code reported was:",
                "The program will attempt to continue running (but will most probably fail).", kProgramTitle};
    case ExchangeCommand::Export3DS:
        return {"An error has occurred during export. The error code reported was:",
                "The program will attempt to continue running.", kExportErrorTitle};
    case ExchangeCommand::ConvertX:
        break;
    }
    return {"An error has occurred during the loading process. The error code reported was:",
            "The program will attempt to continue running.", kLoadErrorTitle};
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
    const GeneralError general = GeneralErrorOf(command);
    const std::string cr = "\r";
    return {general.opening + cr + std::to_string(failure.code) + cr + "Report this error to: " + kContactAddress +
                cr + general.closing,
            general.title, MessageIcon::Critical};
}

std::string OneLineFailureMessage(ExchangeCommand command, const ExchangeFailure& failure)
{
    std::string text;
    if (failure.kind == ExchangeError::Failed)
        text = std::string(GeneralErrorOf(command).opening) + " " + std::to_string(failure.code);
    else
        text = FailureMessage(command, failure).text;
    if (!failure.detail.empty())
        text += " (" + failure.detail + ")";
    return text;
}

} // namespace mobrix
