// libFuzzer target for the 3DS reader: "Convert 3DS" on the sample car. A
// refused file leaves the model as it was; a converted model is sound, can
// be exported, and the export converts back to the same mesh.
#include "FuzzCommon.h"
#include "SampleCar.h"
#include "ThreeDs.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    static const CarModel sample = BuildSampleCar();
    CarModel model = sample;
    if (Convert3DS(model, {data, size})) {
        fuzzing::Require(model == sample);
        return 0;
    }
    fuzzing::Require(CheckModel(model).empty());
    fuzzing::Require(model.Header.NumParts <= kMaxConvertedObjects);
    std::vector<std::uint8_t> exported;
    fuzzing::Require(!Encode3DS(model, exported));
    CarModel back;
    NewFCE(back);
    fuzzing::Require(!Convert3DS(back, exported));
    // Bit for bit: coordinates may be NaN.
    fuzzing::Require(back.Vertices.size() == model.Vertices.size() &&
                     (model.Vertices.empty() || std::memcmp(back.Vertices.data(), model.Vertices.data(),
                                                            model.Vertices.size() * sizeof(Vec3)) == 0));
    fuzzing::Require(back.Header.PartNumTriangles == model.Header.PartNumTriangles);
    fuzzing::ExerciseModel(model);
    return 0;
}
