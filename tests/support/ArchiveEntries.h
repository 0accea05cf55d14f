#pragma once
// The entries of a car archive on disk, for tests that check what a command
// wrote into one.

#include "TestFiles.h"
#include "Viv.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// The entries' names and bytes, in order; none (and a failure) when the file
// is no archive.
inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Entries(const std::string& path)
{
    const std::vector<std::uint8_t> file = ReadBytes(path);
    auto read = mobrix::ReadViv(file);
    EXPECT_TRUE(std::holds_alternative<mobrix::VivArchive>(read)) << path;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> out;
    if (const auto* archive = std::get_if<mobrix::VivArchive>(&read))
        for (const mobrix::VivEntry& e : archive->entries) {
            const auto bytes = mobrix::EntryBytes(file, e);
            out.emplace_back(e.name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
    return out;
}

} // namespace testing_support
