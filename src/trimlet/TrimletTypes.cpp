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

Name64 MakeName(const std::string& text)
{
    Name64 name;
    name.fill(' ');
    const std::size_t length = std::min<std::size_t>(text.size(), kNameLength);
    std::copy_n(text.begin(), length, name.begin());
    if (length < name.size())
        name[length] = '\0';
    return name;
}

} // namespace trimlet
