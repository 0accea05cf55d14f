#pragma once
// What the fcetool tests share: the program under test, the sample cars,
// and counting the lines it printed.

#include "Process.h"

#include <algorithm>
#include <string>
#include <vector>

namespace cli_testing {

inline const std::string kTool = FCETOOL_PATH;
inline const std::string kSamples = MOBRIX_SAMPLES_DIR;

inline testing_support::ProcessResult Fcetool(const std::vector<std::string>& args)
{
    return testing_support::RunProcess(kTool, args);
}

inline int Lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace cli_testing
