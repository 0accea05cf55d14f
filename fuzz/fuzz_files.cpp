// libFuzzer target for the file layer of both programs, on a temporary
// folder: the input is written as a model file, opened as "Open" opens it
// (variant detected from the file), saved over an existing file and through
// a symbolic link, and read back; Trimlet splits the same file into its temp
// folder and joins it again. Every save must leave exactly the files it
// names, with the bytes the encoder gives.
#include "FileIO.h"
#include "FuzzCommon.h"

#include "../src/trimlet/Workspace.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// One folder for the whole run, removed when the fuzzer ends normally.
struct Scratch {
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "mobrix-fuzz-files-XXXXXX").string();
        fuzzing::Require(::mkdtemp(pattern.data()) != nullptr);
        folder = pattern;
        fs::create_symlink("saved.fce", folder / "link.fce");
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
};

void Write(const fs::path& path, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    fuzzing::Require(static_cast<bool>(out));
}

std::vector<std::uint8_t> Bytes(const fs::path& path)
{
    std::vector<std::uint8_t> bytes;
    fuzzing::Require(!mobrix::ReadWholeFile(path.string(), bytes));
    return bytes;
}

// Nothing but the named files: no temporary file was left behind.
void RequireOnly(const fs::path& folder, std::initializer_list<const char*> names)
{
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    fuzzing::Require(count == names.size());
    for (const char* name : names)
        fuzzing::Require(fs::exists(fs::symlink_status(folder / name)));
}

void ThroughTheEditor(const fs::path& folder)
{
    using namespace mobrix;
    const std::string input = (folder / "input.fce").string();
    const FceVariant variant = DetectVariant(input);
    CarModel model;
    if (OpenFCE(model, input, variant))
        return;
    const EncodedFile expected = EncodeFCEAs(model, variant);
    // Once over a file that exists, once through the link to it.
    for (const char* name : {"saved.fce", "link.fce"}) {
        CarModel saving = model;
        const SaveStatus saved = SaveFCEAs(saving, (folder / name).string(), variant);
        fuzzing::Require(saved.has_value() == expected.failure.has_value());
        if (saved)
            return;
    }
    fuzzing::Require(fs::is_symlink(folder / "link.fce"));
    fuzzing::Require(Bytes(folder / "saved.fce") == expected.bytes);
    CarModel back;
    fuzzing::Require(!OpenFCE(back, (folder / "saved.fce").string(), variant));
}

void ThroughTrimlet(const fs::path& folder)
{
    const fs::path temp = folder / "temp";
    auto split = trimlet::SplitFce(folder / "input.fce", temp);
    if (!std::holds_alternative<trimlet::FceStore>(split))
        return;
    const auto& store = std::get<trimlet::FceStore>(split);
    fuzzing::Require(!trimlet::JoinFce(folder / "joined.fce", temp, store));
    auto again = trimlet::SplitFce(folder / "joined.fce", temp);
    fuzzing::Require(std::holds_alternative<trimlet::FceStore>(again));
    fuzzing::Require(!trimlet::JoinFce(folder / "rejoined.fce", temp, std::get<trimlet::FceStore>(again)));
    fuzzing::Require(Bytes(folder / "joined.fce") == Bytes(folder / "rejoined.fce"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Scratch scratch;
    const fs::path& folder = scratch.folder;
    for (const char* name : {"saved.fce", "joined.fce", "rejoined.fce"})
        fs::remove(folder / name);
    fs::remove_all(folder / "temp");
    Write(folder / "input.fce", data, size);
    Write(folder / "saved.fce", data, 0);

    ThroughTheEditor(folder);
    RequireOnly(folder, {"input.fce", "saved.fce", "link.fce"});
    ThroughTrimlet(folder);
    return 0;
}
