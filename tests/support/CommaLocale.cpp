#include "CommaLocale.h"

#include "Process.h"

#include <clocale>
#include <cstdlib>

namespace testing_support {

namespace {

constexpr const char* kGerman = "de_DE.UTF-8";

} // namespace

CommaLocale::CommaLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr))
{
    if (std::setlocale(LC_NUMERIC, kGerman)) {
        active_ = true;
        return;
    }
    // The locale sources ship with the C library's locale data; glibc looks
    // in LOCPATH at each setlocale call.
    const ProcessResult built =
        RunProcess("/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", folder_.File(kGerman)});
    if (built.exitCode != 0 || ::getenv("LOCPATH"))
        return;
    ::setenv("LOCPATH", folder_.path().c_str(), 1);
    setLocPath_ = true;
    active_ = std::setlocale(LC_NUMERIC, kGerman) != nullptr;
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_NUMERIC, previous_.c_str());
    if (setLocPath_)
        ::unsetenv("LOCPATH");
}

} // namespace testing_support
