#pragma once
// Why a file of Trimlet's could not be read or written.

#include <cstdint>
#include <string>

namespace trimlet {

struct FileFailure {
    enum class Kind {
        NotNfs4File,  // the chosen model does not start with the NFSIV magic
        NotPartFile,  // a part file without the "MBRX" magic
        Incompatible, // a part file of a newer version
        Damaged,      // counts or positions that do not fit the file
        Unreadable,   // the file could not be opened or read
        WriteFailed,  // the file could not be written; the old one is intact
    };
    Kind kind = Kind::Damaged;
    std::uint32_t errorNumber = 0;
    // For NotNfs4File, NotPartFile and Incompatible the message shown to the
    // user; otherwise the description handed to the error reporter.
    std::string message;
};

} // namespace trimlet
