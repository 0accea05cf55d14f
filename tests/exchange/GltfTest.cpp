// glTF exchange: byte-exact round trips of whole models, what the files
// show another program (axes, winding, names, groups), files from other
// programs, and malformed files.

#include "FceFiles.h"
#include "Gltf.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

using namespace mobrix;
using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using json = nlohmann::json;

namespace {

std::vector<std::uint8_t> Encode(CarModel model, FceVariant variant)
{
    EncodedFile file = variant == FceVariant::Nfs4 ? EncodeFCE4(model) : EncodeFCE3(model);
    EXPECT_FALSE(file.failure);
    return file.bytes;
}

CarModel Opened(const std::vector<std::uint8_t>& bytes, FceVariant variant)
{
    CarModel model;
    EXPECT_FALSE(variant == FceVariant::Nfs4 ? ReadFCE4(bytes, model) : ReadFCE3(bytes, model));
    return model;
}

// The FCE bytes of the model after a trip through a glTF file.
std::vector<std::uint8_t> ThroughGltf(const CarModel& model, FceVariant variant, const std::string& path)
{
    EXPECT_FALSE(WriteGltf(model, path));
    CarModel back;
    NewFCE(back);
    const ExchangeStatus read = ConvertGltf(back, path);
    EXPECT_FALSE(read) << (read ? read->detail : "");
    EXPECT_THAT(CheckModel(back), IsEmpty());
    return Encode(back, variant);
}

// A model with everything an NFSIV file holds, all different from what a
// reader would make up: damage, a second undamaged set, NFSIV colours,
// flags, texture pages, reserved bytes, and names with NULs and blanks.
CarModel FullNfs4Model(int triangles = 900)
{
    CarModel model = RandomModel(7, {.vertices = triangles / 2, .triangles = triangles, .parts = 6, .dummies = 5});
    const std::vector<std::uint8_t> bytes = Encode(model, FceVariant::Nfs4);
    return Opened(bytes, FceVariant::Nfs4);
}

// The JSON and the binary chunk of a .glb file.
struct Glb {
    json doc;
    std::vector<std::uint8_t> bin;

    explicit Glb(const std::vector<std::uint8_t>& file)
    {
        std::uint32_t jsonLength = 0;
        std::memcpy(&jsonLength, file.data() + 12, 4);
        doc = json::parse(file.begin() + 20, file.begin() + 20 + jsonLength);
        const std::size_t binAt = 20 + jsonLength + 8;
        if (binAt <= file.size())
            bin.assign(file.begin() + static_cast<std::ptrdiff_t>(binAt), file.end());
    }

    template <class T>
    std::vector<T> Accessor(int index) const
    {
        const json& a = doc["accessors"][index];
        const json& view = doc["bufferViews"][a["bufferView"].get<int>()];
        const std::size_t at = view.value("byteOffset", 0) + a.value("byteOffset", 0);
        const std::size_t components = a["type"] == "VEC3" ? 3 : a["type"] == "VEC2" ? 2 : 1;
        std::vector<T> out(a["count"].get<std::size_t>() * components);
        std::memcpy(out.data(), bin.data() + at, out.size() * sizeof(T));
        return out;
    }
};

} // namespace

TEST(GltfRoundTrip, SamplesAndAFullNfs4ModelComeBackByteForByte)
{
    TempDir dir;
    for (const auto& [sample, variant] : {std::pair{"sample-nfs3.fce", FceVariant::Nfs3},
                                          std::pair{"sample-nfs4.fce", FceVariant::Nfs4}}) {
        const std::vector<std::uint8_t> original = ReadBytes(std::string(MOBRIX_SAMPLES_DIR) + "/" + sample);
        const CarModel model = Opened(original, variant);
        for (const char* name : {"car.glb", "car.gltf"})
            EXPECT_EQ(ThroughGltf(model, variant, dir.File(name)), original) << sample << " through " << name;
    }

    CarModel full = FullNfs4Model();
    const std::vector<std::uint8_t> original = Encode(full, FceVariant::Nfs4);
    EXPECT_EQ(ThroughGltf(full, FceVariant::Nfs4, dir.File("full.glb")), original);
    // Shown damaged, with edited V values: the working set and new V come back.
    full.ActiveVertexSet = VertexSet::Damaged;
    full.Vertices = full.DamagedVerts;
    full.Normals = full.DamagedNorms;
    for (Triangle& t : full.Triangles)
        t.V2 = t.V2 * 0.37f + 1e-7f;
    EXPECT_EQ(ThroughGltf(full, FceVariant::Nfs4, dir.File("edited.glb")), Encode(full, FceVariant::Nfs4));
    // NFSIII models of other origins keep their own bytes too.
    CarModel nfs3 = RandomModel(9, {.origin = ModelOrigin::Nfs3});
    const std::vector<std::uint8_t> nfs3Bytes = Encode(nfs3, FceVariant::Nfs3);
    EXPECT_EQ(ThroughGltf(Opened(nfs3Bytes, FceVariant::Nfs3), FceVariant::Nfs3, dir.File("nfs3.gltf")), nfs3Bytes);
}

TEST(GltfExport, ShowsTheCarFacingFrontAndOutwardWithPartsGroupsAndDummies)
{
    CarModel model = Opened(ReadBytes(std::string(MOBRIX_SAMPLES_DIR) + "/sample-nfs4.fce"), FceVariant::Nfs4);
    std::vector<std::uint8_t> file;
    ASSERT_FALSE(EncodeGltf(model, GltfContainer::Binary, {}, "", file));
    const Glb glb(file);
    const json& nodes = glb.doc["nodes"];
    const int parts = model.Header.NumParts;
    ASSERT_GE(nodes.size(), static_cast<std::size_t>(parts));

    double outward = 0, inward = 0;
    for (int p = 0; p < parts; ++p) {
        EXPECT_EQ(nodes[p]["name"], TrimmedName(model.Header.PartNames[static_cast<std::size_t>(p)]));
        EXPECT_EQ(nodes[p]["translation"][0].get<double>(), -model.Header.PartPos[static_cast<std::size_t>(p)].X);
        const json& mesh = glb.doc["meshes"][nodes[p]["mesh"].get<int>()];
        EXPECT_EQ(mesh["extras"]["targetNames"][0], "damage");
        std::set<std::pair<int, int>> groups;
        for (const json& prim : mesh["primitives"]) {
            EXPECT_TRUE(groups.insert({prim["extras"]["texPage"].get<int>(), prim["extras"]["flags"].get<int>()}).second);
            const auto pos = glb.Accessor<float>(prim["attributes"]["POSITION"]);
            const auto nrm = glb.Accessor<float>(prim["attributes"]["NORMAL"]);
            const auto idx = glb.Accessor<std::uint32_t>(prim["indices"]);
            for (std::size_t i = 0; i + 2 < idx.size(); i += 3) {
                const float* a = &pos[3 * idx[i]];
                const float* b = &pos[3 * idx[i + 1]];
                const float* c = &pos[3 * idx[i + 2]];
                const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
                const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
                double along = 0;
                for (std::uint32_t k : {idx[i], idx[i + 1], idx[i + 2]})
                    along += n[0] * nrm[3 * k] + n[1] * nrm[3 * k + 1] + n[2] * nrm[3 * k + 2];
                (along >= 0 ? outward : inward) += 1;
            }
        }
    }
    // glTF's front faces are counter-clockwise: their normals point out.
    EXPECT_GT(outward, 20 * inward);
    // The car's front (FCE +z) is glTF's +Z and its right side glTF's -X.
    const json& dummies = nodes[glb.doc["scenes"][0]["nodes"].back().get<int>()];
    EXPECT_EQ(dummies["name"], "dummies");
    ASSERT_EQ(dummies["children"].size(), static_cast<std::size_t>(model.Header.NumDummies));
    const json& first = nodes[dummies["children"][0].get<int>()]["translation"];
    EXPECT_EQ(first[0].get<double>(), -model.Header.DummyPos[0].X);
    EXPECT_EQ(first[2].get<double>(), model.Header.DummyPos[0].Z);
}
