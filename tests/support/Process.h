#pragma once
// Runs a program and collects its exit status and output.

#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` (no shell), waiting for it to end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);

} // namespace testing_support
