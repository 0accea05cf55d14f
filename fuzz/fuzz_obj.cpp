// libFuzzer target for the OBJ reader: "Convert OBJ" on the sample car. A
// refused file leaves the model as it was; a converted model is sound, can
// be exported, and the export converts back to the same parts, corners and
// positions. Read with both cores at any size, a file gives exactly what
// reading it in order gives.
#include "FuzzCommon.h"
#include "Obj.h"
#include "SampleCar.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool SameOrBothNan(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool SamePosition(const mobrix::Vec3& a, const mobrix::Vec3& b)
{
    return SameOrBothNan(a.X, b.X) && SameOrBothNan(a.Y, b.Y) && SameOrBothNan(a.Z, b.Z);
}

template <class Row>
bool SameRows(const std::vector<Row>& a, const std::vector<Row>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Row)) == 0);
}

// The file read in halves and with parts made two at a time, however small
// it is, against the file read in order, one part after another.
void RequireSameReadAtOnce(std::span<const std::uint8_t> file)
{
    using namespace mobrix;
    constexpr std::size_t kParts = 64;
    std::vector<ObjPart> inOrder;
    std::vector<ObjPart> atOnce;
    const ObjReadSizes oneCore{.halvesFrom = SIZE_MAX, .pairedPartFrom = SIZE_MAX};
    const ExchangeStatus a = ParseObj(file, "fuzz", kParts, inOrder, oneCore);
    const ExchangeStatus b = ParseObj(file, "fuzz", kParts, atOnce, {.halvesFrom = 0, .pairedPartFrom = 0});
    fuzzing::Require(a.has_value() == b.has_value());
    if (a) {
        fuzzing::Require(a->code == b->code && a->detail == b->detail);
        return;
    }
    fuzzing::Require(inOrder.size() == atOnce.size());
    for (std::size_t k = 0; k < inOrder.size(); ++k) {
        fuzzing::Require(inOrder[k].name == atOnce[k].name);
        fuzzing::Require(SameRows(inOrder[k].vertices, atOnce[k].vertices));
        fuzzing::Require(SameRows(inOrder[k].normals, atOnce[k].normals));
        fuzzing::Require(SameRows(inOrder[k].triangles, atOnce[k].triangles));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    static const CarModel sample = BuildSampleCar();
    RequireSameReadAtOnce({data, size});
    CarModel model = sample;
    if (ConvertObj(model, {data, size}, "fuzz")) {
        fuzzing::Require(model == sample);
        return 0;
    }
    fuzzing::Require(CheckModel(model).empty());
    fuzzing::Require(model.Header.NumParts <= 64);
    ObjFiles files;
    fuzzing::Require(!EncodeObj(model, "fuzz.mtl", "", files));
    CarModel back;
    NewFCE(back);
    const auto* text = reinterpret_cast<const std::uint8_t*>(files.obj.data());
    fuzzing::Require(!ConvertObj(back, {text, files.obj.size()}, "fuzz"));
    fuzzing::Require(back.Header.NumParts == model.Header.NumParts);
    fuzzing::Require(back.Header.PartNumVertices == model.Header.PartNumVertices);
    fuzzing::Require(back.Header.PartNumTriangles == model.Header.PartNumTriangles);
    for (std::size_t i = 0; i < static_cast<std::size_t>(model.Header.NumVertices); ++i)
        fuzzing::Require(SamePosition(back.Vertices[i], model.Vertices[i]));
    for (std::size_t t = 0; t < static_cast<std::size_t>(model.Header.NumTriangles); ++t) {
        const Triangle& a = model.Triangles[t];
        const Triangle& b = back.Triangles[t];
        fuzzing::Require(a.I1 == b.I1 && a.I2 == b.I2 && a.I3 == b.I3);
    }
    fuzzing::ExerciseModel(model);
    return 0;
}
