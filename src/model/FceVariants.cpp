// What Open, Save and Save As do with the variants: telling them apart,
// choosing the reader, preparing the model and choosing the writer.

#include "FceCodec.h"
#include "FceFiles.h"
#include "FileIO.h"

#include <filesystem>
#include <system_error>

namespace mobrix {

namespace {

constexpr std::uint32_t kNfs4Version = 0x00101014;

} // namespace

FceVariant DetectVariantOf(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    const bool hasWord = head.size() >= 4;
    const std::uint32_t word = hasWord ? le::Load<std::uint32_t>(head.data()) : 0;
    if (hasWord && word == kNfs4Version)
        return FceVariant::Nfs4;
    if (hasWord && word == kFce4mVersion)
        return FceVariant::Fce4m;
    if (codec::Nfs3SizeRulesHold(head, fileSize))
        return FceVariant::Nfs3;
    constexpr std::size_t kCountsEnd = 0x10; // triangle and vertex counts at 0x08 and 0x0C
    if (hasWord && word == 0 && head.size() >= kCountsEnd) {
        const auto triangles = le::Load<std::int32_t>(head.data() + 0x08);
        const auto vertices = le::Load<std::int32_t>(head.data() + 0x0C);
        if (triangles >= 0 && vertices >= 0 &&
            static_cast<std::int64_t>(fileSize) == Fce4mFileSize(vertices, triangles))
            return FceVariant::Fce4m;
    }
    // Neither rule holds: the NFSIII reader refuses the file and says why.
    return FceVariant::Nfs3;
}

FceVariant DetectVariant(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return DetectVariantOf(ReadFileHead(path, kFce3HeaderSize), error ? 0 : size);
}

LoadStatus OpenFCE(CarModel& model, const std::string& path, FceVariant variant, KeptTables kept)
{
    switch (variant) {
    case FceVariant::Nfs4: return LoadFCE4(model, path, kept);
    case FceVariant::Fce4m: return LoadFCE4M(model, path, kept);
    case FceVariant::Nfs3: break;
    }
    return LoadFCE(model, path);
}

void PrepareForSave(CarModel& model, FceVariant variant)
{
    if (variant == FceVariant::Nfs3)
        codec::PrepareNfs3Save(model);
    else
        codec::PrepareNfs4Save(model, variant);
}

SaveStatus SaveFCEAs(const CarModel& model, const std::string& path, FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs4: return SaveFCE4(model, path);
    case FceVariant::Fce4m: return SaveFCE4M(model, path);
    case FceVariant::Nfs3: break;
    }
    return SaveFCE3(model, path);
}

EncodedFile EncodeFCEAs(const CarModel& model, FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs4: return EncodeFCE4(model);
    case FceVariant::Fce4m: return EncodeFCE4M(model);
    case FceVariant::Nfs3: break;
    }
    return EncodeFCE3(model);
}

} // namespace mobrix
