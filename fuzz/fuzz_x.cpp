// libFuzzer target for the X reader: "Convert X" on the sample car. A
// refused file leaves the model as it was; a converted model is sound.
#include "FuzzCommon.h"
#include "SampleCar.h"
#include "XFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    static const CarModel sample = BuildSampleCar();
    CarModel model = sample;
    if (ConvertX(model, {data, size}, "fuzz")) {
        fuzzing::Require(model == sample);
        return 0;
    }
    fuzzing::Require(CheckModel(model).empty());
    fuzzing::Require(model.Header.NumParts == 1);
    fuzzing::ExerciseModel(model);
    return 0;
}
