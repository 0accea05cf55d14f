#include "FileErrors.h"

#include <cerrno>

namespace mobrix {

namespace {

std::string FourLines(const char* first, int code, const char* last)
{
    const std::string cr = "\r";
    return first + cr + std::to_string(code) + cr + "Report this error to: " + kContactAddress + cr + last;
}

} // namespace

std::string LoadFailureMessage(const LoadFailure& failure)
{
    switch (failure.kind) {
    case LoadError::IndexOutOfRange: return kNotNfs3Message;
    case LoadError::CorruptedData: return kCorruptedMessage;
    case LoadError::NotNfs4File: return kNotNfs4Message;
    case LoadError::Other: break;
    }
    return FourLines("An error has occurred during the loading process. The error code reported was:", failure.code,
                     "The program will attempt to continue running, however this error will probably make Mobrix "
                     "unstable.");
}

std::string SaveFailureMessage(const SaveFailure& failure)
{
    return FourLines("An error has occurred whilst saving the file. The error code reported was:", failure.code,
                     "The program will attempt to continue running.");
}

std::string ErrorCodeDescription(int code)
{
    switch (code) {
    case ErrorCode::Overflow: return "Overflow";
    case ErrorCode::OutOfMemory: return "Out of memory";
    case ErrorCode::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorCode::BadFileName: return "Bad file name or number";
    case ErrorCode::FileNotFound: return "File not found";
    case ErrorCode::DeviceIoError: return "Device I/O error";
    case ErrorCode::DiskFull: return "Disk full";
    case ErrorCode::BadRecordNumber: return "Bad record number";
    case ErrorCode::PermissionDenied: return "Permission denied";
    case ErrorCode::PathFileAccessError: return "Path/File access error";
    case ErrorCode::PathNotFound: return "Path not found";
    case ErrorCode::NotNfs4File: return "Not an NFSIV File";
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
