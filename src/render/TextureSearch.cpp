#include "TextureSearch.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace mobrix::render {

namespace fs = std::filesystem;

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::optional<std::string> FindModelTexture(const std::string& modelPath)
{
    const fs::path model(modelPath);
    const std::string stem = model.stem().string();
    const std::vector<std::string> wanted = {std::string("car00.tga"), stem + ".tga", stem + ".bmp", stem + ".png"};
    const fs::path folder = model.has_parent_path() ? model.parent_path() : fs::path(".");
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error))
            files.push_back(it->path());
    }
    // The first wanted name wins, whatever order the folder lists its files in.
    for (const std::string& name : wanted) {
        for (const fs::path& file : files) {
            if (SameNameIgnoringCase(file.filename().string(), name))
                return file.string();
        }
    }
    return std::nullopt;
}

} // namespace mobrix::render
