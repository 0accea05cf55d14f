#pragma once
// Small helpers shared by the FCE reader and writer tests.

#include "CarModel.h"
#include "FceFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace testing_support {

// The bytes an NFSIII save of a copy of `model` would write.
inline std::vector<std::uint8_t> Encode3(mobrix::CarModel model)
{
    mobrix::EncodedFile file = mobrix::EncodeFCE3(model);
    EXPECT_FALSE(file.failure) << (file.failure ? file.failure->detail : "");
    return file.bytes;
}

// The bytes an NFSIV save writes.
inline std::vector<std::uint8_t> Encode4(const mobrix::CarModel& model)
{
    mobrix::EncodedFile file = mobrix::EncodeFCE4(model);
    EXPECT_FALSE(file.failure) << (file.failure ? file.failure->detail : "");
    return file.bytes;
}

inline mobrix::CarModel Read3(const std::vector<std::uint8_t>& bytes)
{
    mobrix::CarModel model;
    const mobrix::LoadStatus status = mobrix::ReadFCE3(bytes, model);
    EXPECT_FALSE(status) << (status ? status->detail : "");
    return model;
}

inline mobrix::CarModel Read4(const std::vector<std::uint8_t>& bytes)
{
    mobrix::CarModel model;
    const mobrix::LoadStatus status = mobrix::ReadFCE4(bytes, model);
    EXPECT_FALSE(status) << (status ? status->detail : "");
    return model;
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t size)
{
    if (from + size > bytes.size()) {
        ADD_FAILURE() << "slice " << from << "+" << size << " outside " << bytes.size() << " bytes";
        return {};
    }
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + size)};
}

} // namespace testing_support
