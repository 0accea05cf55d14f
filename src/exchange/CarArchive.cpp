#include "CarArchive.h"

#include "FileErrors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace mobrix {

namespace {

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && SameLetters(text.substr(text.size() - suffix.size()), suffix);
}

// The stem of an entry or file name: after its last folder separator,
// before its last dot.
std::string Stem(const std::string& name)
{
    const std::size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base;
}

// The file of that name in `folder`, letter case ignored (game files are
// often in capitals); the exact name wins.
std::optional<std::string> FindInFolder(const std::filesystem::path& folder, const std::string& name)
{
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::is_regular_file(exact, ec))
        return exact.string();
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (SameLetters(it->path().filename().string(), name) && it->is_regular_file(ec))
            return (folder / it->path().filename()).string();
    }
    return std::nullopt;
}

std::optional<CarTexture> FindInFolderByNames(const std::string& file, const std::vector<std::string>& names)
{
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    for (const std::string& name : names) {
        if (auto found = FindInFolder(folder, name))
            return CarTexture{*found, {}};
    }
    return std::nullopt;
}

} // namespace

std::optional<ArchiveRef> ParseArchiveRef(const std::string& name)
{
    // The last ".viv:" splits: a drive letter's colon comes before it.
    std::string lower(name.size(), '\0');
    std::transform(name.begin(), name.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    const std::size_t split = lower.rfind(".viv:");
    if (split != std::string::npos)
        return ArchiveRef{name.substr(0, split + 4), name.substr(split + 5)};
    if (EndsWith(name, ".viv") || HasVivMagic(name))
        return ArchiveRef{name, {}};
    return std::nullopt;
}

bool HasVivMagic(const std::string& path)
{
    // Only a regular file is looked into: opening a FIFO would wait for a
    // writer, and a device is never an archive. The readers refuse them.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> magic{};
    if (!in.read(magic.data(), magic.size()))
        return false;
    const std::string_view read(magic.data(), magic.size());
    return read == "BIGF" || read == "BIGH" || read == "BIG4";
}

std::string ModelEntryFor(const VivArchive& archive, const std::string& named)
{
    if (!named.empty()) {
        const std::optional<std::size_t> found = FindEntry(archive, named);
        return found ? archive.entries[*found].name : named;
    }
    const std::optional<std::size_t> fce = FirstFceEntry(archive);
    return fce ? archive.entries[*fce].name : kArchiveModelName;
}

std::variant<std::string, VivFailure> PutModelInArchive(const CarModel& model, FceVariant variant,
                                                       const ArchiveRef& target, const std::string& base)
{
    const EncodedFile encoded = variant == FceVariant::Nfs4 ? EncodeFCE4(model) : EncodeFCE3(model);
    if (encoded.failure)
        return VivFailure{VivError::ModelUnwritable, encoded.failure->code,
                          target.archive + ": " + OneLineSaveFailureMessage(*encoded.failure), -1, std::nullopt};

    std::error_code ec;
    const bool exists = std::filesystem::exists(target.archive, ec);
    const std::string& source = exists ? target.archive : base;
    LoadedViv from;
    if (!source.empty()) {
        auto loaded = LoadViv(source);
        if (auto* failure = std::get_if<VivFailure>(&loaded))
            return std::move(*failure);
        from = std::move(std::get<LoadedViv>(loaded));
    }
    const std::string entry = ModelEntryFor(from.archive, target.entry);
    std::vector<VivFileView> files = VivFiles(from.bytes, from.archive);
    const auto same = std::find_if(files.begin(), files.end(),
                                   [&](const VivFileView& file) { return SameLetters(file.name, entry); });
    if (same != files.end())
        same->bytes = encoded.bytes;
    else
        files.push_back({entry, encoded.bytes});
    if (VivStatus failure = SaveViv(target.archive, files))
        return std::move(*failure);
    return entry;
}

std::vector<std::string> CarTextureNames(const std::string& modelName)
{
    const std::string stem = Stem(modelName);
    return {kCarTextureName, stem + ".tga", stem + ".bmp", stem + ".png"};
}

std::optional<CarTexture> FindCarTexture(const std::string& modelPath)
{
    return FindInFolderByNames(modelPath, CarTextureNames(modelPath));
}

std::optional<CarTexture> FindCarTexture(const std::string& archivePath, const VivArchive& archive,
                                         const std::string& modelEntry)
{
    const std::vector<std::string> names = CarTextureNames(modelEntry);
    for (const std::string& name : names) {
        if (const std::optional<std::size_t> found = FindEntry(archive, name))
            return CarTexture{archivePath, archive.entries[*found].name};
    }
    return FindInFolderByNames(archivePath, names);
}

bool IsImageEntry(std::string_view name)
{
    return EndsWith(name, ".tga") || EndsWith(name, ".bmp") || EndsWith(name, ".png") || EndsWith(name, ".jpg") ||
           EndsWith(name, ".jpeg");
}

} // namespace mobrix
