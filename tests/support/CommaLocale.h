#pragma once
// Switches LC_NUMERIC to a locale with a decimal comma for one scope, as a
// window toolkit does for users in much of Europe. When the system has no
// such locale installed, it is compiled into a private folder.

#include "TestFiles.h"

#include <string>

namespace testing_support {

class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // False when no comma locale could be found or built.
    bool active() const { return active_; }

private:
    TempDir folder_;
    std::string previous_;
    bool active_ = false;
    bool setLocPath_ = false;
};

} // namespace testing_support
