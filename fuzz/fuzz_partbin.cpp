// libFuzzer target for the binary part file reader: a part inserted into
// the NFSIV sample car. A refused file leaves the model as it was; an
// accepted one keeps the model sound and gives back the same records.
#include "FuzzCommon.h"
#include "PartFiles.h"
#include "SampleCar.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    static const CarModel sample = BuildSampleCar();
    CarModel model = sample;
    if (InsertPartBinary(model, {data, size})) {
        fuzzing::Require(model == sample);
        return 0;
    }
    fuzzing::Require(CheckModel(model).empty());
    std::vector<std::uint8_t> part;
    fuzzing::Require(!EncodePartBinary(model, model.Header.NumParts - 1, part));
    fuzzing::Require(part.size() <= size && std::equal(part.begin() + 64, part.end(), data + 64));
    fuzzing::ExerciseModel(model);
    return 0;
}
