#include "TrimletTypes.h"

#include <algorithm>

namespace trimlet {

std::string TrimmedName(const Name64& name)
{
    const auto end = std::find(name.begin(), name.end(), '\0');
    std::string text(name.begin(), end);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace trimlet
