// libFuzzer target for the text part file reader: a part inserted into the
// NFSIV sample car. A refused file leaves the model as it was; an accepted
// one keeps the model sound, and its part can be written and read again.
#include "FuzzCommon.h"
#include "PartFiles.h"
#include "SampleCar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    static const CarModel sample = BuildSampleCar();
    CarModel model = sample;
    if (InsertPartText(model, {data, size})) {
        fuzzing::Require(model == sample);
        return 0;
    }
    fuzzing::Require(CheckModel(model).empty());
    std::vector<std::uint8_t> text;
    fuzzing::Require(!EncodePartText(model, model.Header.NumParts - 1, "now", text));
    CarModel again = sample;
    fuzzing::Require(!InsertPartText(again, text));
    fuzzing::Require(again.Header.PartNumTriangles == model.Header.PartNumTriangles);
    fuzzing::ExerciseModel(model);
    return 0;
}
