#include "FileErrors.h"

#include <cerrno>

namespace mobrix {

std::string GeneralErrorMessage(const GeneralError& error, int code)
{
    const std::string cr = "\r";
    return error.opening + cr + std::to_string(code) + cr + "Report this error to: " + kContactAddress + cr +
           error.closing;
}

std::string OneLineGeneralError(const GeneralError& error, int code, const std::string& detail)
{
    std::string text = std::string(error.opening) + " " + std::to_string(code);
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

std::string LoadFailureMessage(const LoadFailure& failure)
{
    switch (failure.kind) {
    case LoadError::IndexOutOfRange: return kNotNfs3Message;
    case LoadError::CorruptedData: return kCorruptedMessage;
    case LoadError::NotNfs4File: return kNotNfs4Message;
    case LoadError::NotFce4mFile: return kNotFce4mMessage;
    case LoadError::Other: break;
    }
    return GeneralErrorMessage(kLoadingError, failure.code);
}

std::string OneLineLoadFailureMessage(const LoadFailure& failure)
{
    if (failure.kind == LoadError::Other)
        return OneLineGeneralError(kLoadingError, failure.code, failure.detail);
    std::string text = LoadFailureMessage(failure);
    if (!failure.detail.empty())
        text += " (" + failure.detail + ")";
    return text;
}

std::string SaveFailureMessage(const SaveFailure& failure)
{
    return GeneralErrorMessage(kSavingError, failure.code);
}

std::string OneLineSaveFailureMessage(const SaveFailure& failure)
{
    return OneLineGeneralError(kSavingError, failure.code, failure.detail);
}

std::string ErrorCodeDescription(int code)
{
    switch (code) {
    case ErrorCode::Overflow: return "Overflow";
    case ErrorCode::OutOfMemory: return "Out of memory";
    case ErrorCode::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorCode::BadFileName: return "Bad file name or number";
    case ErrorCode::InternalError: return "Internal error";
    case ErrorCode::FileNotFound: return "File not found";
    case ErrorCode::DeviceIoError: return "Device I/O error";
    case ErrorCode::DiskFull: return "Disk full";
    case ErrorCode::BadRecordNumber: return "Bad record number";
    case ErrorCode::PermissionDenied: return "Permission denied";
    case ErrorCode::PathFileAccessError: return "Path/File access error";
    case ErrorCode::PathNotFound: return "Path not found";
    case ErrorCode::NotNfs4File: return "Not an NFSIV File";
    case ErrorCode::NotFce4mFile: return "Not an FCE4M File";
    default: return "Application-defined or object-defined error";
    }
}

int ErrorCodeFromErrno(int err)
{
    switch (err) {
    case ENOENT: return ErrorCode::FileNotFound;
    case ENOTDIR: return ErrorCode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorCode::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrorCode::DiskFull;
    case EIO: return ErrorCode::DeviceIoError;
    case ENOMEM: return ErrorCode::OutOfMemory;
    case ENAMETOOLONG: return ErrorCode::BadFileName;
    default: return ErrorCode::PathFileAccessError;
    }
}

} // namespace mobrix
