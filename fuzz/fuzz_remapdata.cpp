// libFuzzer target for the remap data file reader, for a model of four
// triangles (the seeds' count). An accepted file with sections is written
// back byte for byte; a refused one names a reason.
#include "FuzzCommon.h"
#include "RemapFile.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    constexpr std::int64_t kTriangles = 4;
    auto parsed = ParseRemapData({data, size}, kTriangles);
    if (const auto* failure = std::get_if<RemapFileFailure>(&parsed)) {
        fuzzing::Require(failure->kind != RemapFileError::OtherModel || failure->fileTriangles != kTriangles);
        fuzzing::Require(!RemapFileFailureMessage(*failure).empty());
        return 0;
    }
    const RemapData& read = std::get<RemapData>(parsed);
    fuzzing::Require(read.triState.size() == kTriangles);
    CarModel model;
    model.TriState = read.triState;
    if (!read.sections) {
        fuzzing::Require(size == kTriangles * 10);
        return 0;
    }
    const std::vector<std::uint8_t> again = EncodeRemapData(model, *read.sections);
    fuzzing::Require(again.size() == size && std::equal(again.begin(), again.end(), data));
    return 0;
}
