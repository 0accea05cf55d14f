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
#include <functional>
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

namespace {

// A glTF file as another program might write it: a quad drawn once as a
// strip and once as a fan, without texture coordinates or normals, under a
// rotated and scaled node, a second node of the same name, a morph target
// "damage" and an empty node. The buffer lies beside the file.
struct ForeignFile {
    json doc;
    std::vector<std::uint8_t> bin;

    ForeignFile()
    {
        const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
        const float damage[] = {0, 0, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        const std::uint16_t indices[] = {0, 1, 2, 3};
        Append(positions, sizeof positions);
        Append(damage, sizeof damage);
        Append(indices, sizeof indices);
        doc = json::parse(R"({
          "asset": {"version": "2.0", "generator": "another program"},
          "buffers": [{"uri": "scene.bin", "byteLength": 104}],
          "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48},
                          {"buffer": 0, "byteOffset": 48, "byteLength": 48},
                          {"buffer": 0, "byteOffset": 96, "byteLength": 8}],
          "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
                         "min": [0, 0, 0], "max": [1, 1, 0]},
                        {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC3",
                         "min": [0, 0, 0], "max": [0, 0, 0.5]},
                        {"bufferView": 2, "componentType": 5123, "count": 4, "type": "SCALAR"}],
          "meshes": [{"name": "strip", "extras": {"targetNames": ["damage"]}, "weights": [0],
                      "primitives": [{"attributes": {"POSITION": 0}, "indices": 2, "mode": 5,
                                      "targets": [{"POSITION": 1}]}]},
                     {"name": "fan", "primitives": [{"attributes": {"POSITION": 0}, "indices": 2, "mode": 6}]}],
          "nodes": [{"name": "Car", "children": [1, 2, 3]},
                    {"name": "Body", "mesh": 0, "translation": [1, 2, 3],
                     "rotation": [0, 0.7071067811865476, 0, 0.7071067811865476], "scale": [2, 2, 2]},
                    {"name": "Body", "mesh": 1},
                    {"name": ":HFLO", "translation": [4, 5, 6]}],
          "scenes": [{"nodes": [0]}], "scene": 0
        })");
    }

    void Append(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bin.insert(bin.end(), p, p + size);
    }

    std::string Write(const TempDir& dir) const
    {
        WriteBytes(dir.File("scene.bin"), bin);
        const std::string text = doc.dump();
        WriteBytes(dir.File("scene.gltf"), {text.begin(), text.end()});
        return dir.File("scene.gltf");
    }
};

void ExpectNear(const Vec3& a, const Vec3& b)
{
    EXPECT_NEAR(a.X, b.X, 1e-6);
    EXPECT_NEAR(a.Y, b.Y, 1e-6);
    EXPECT_NEAR(a.Z, b.Z, 1e-6);
}

} // namespace

TEST(GltfImport, FilesOfOtherProgramsBecomePartsDummiesAndDamage)
{
    TempDir dir;
    CarModel model;
    NewFCE(model);
    const ExchangeStatus read = ConvertGltf(model, ForeignFile().Write(dir));
    ASSERT_FALSE(read) << read->detail;
    ASSERT_THAT(CheckModel(model), IsEmpty());
    const ModelHeader& h = model.Header;
    ASSERT_EQ(h.NumParts, 2);
    EXPECT_EQ(TrimmedName(h.PartNames[0]), std::string("Body\0", 5));
    EXPECT_EQ(TrimmedName(h.PartNames[1]), std::string("Body 2\0", 7));
    // The world transform: glTF (x, y, z) turned a quarter about Y and
    // doubled is (2z, 2y, -2x), then x negated for FCE; the translation
    // (1, 2, 3) is the part position.
    ExpectNear(h.PartPos[0], {-1, 2, 3});
    ExpectNear(model.Vertices[1], {0, 0, -2});
    ExpectNear(model.Vertices[2], {0, 2, 0});
    ExpectNear(model.Vertices[5], {-1, 0, 0}); // the untransformed node
    // A strip of four corners is two triangles facing the same way, a fan
    // of four the same two; winding reversed for FCE's frame.
    ASSERT_EQ(h.PartNumTriangles[0], 2);
    ASSERT_EQ(h.PartNumTriangles[1], 2);
    const auto corners = [&model](int t) {
        const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
        return std::array{tri.I1, tri.I2, tri.I3};
    };
    EXPECT_EQ(corners(0), (std::array{0, 2, 1}));
    EXPECT_EQ(corners(1), (std::array{1, 2, 3}));
    EXPECT_EQ(corners(2), (std::array{0, 2, 1}));
    EXPECT_EQ(corners(3), (std::array{0, 3, 2}));
    const Triangle& first = model.Triangles[0];
    EXPECT_EQ((std::array{first.U1, first.V1, first.U3, first.V3}), (std::array{0.f, 0.f, 0.f, 0.f}));
    // The morph target "damage" is the damaged set, turned as the part is.
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs4);
    ExpectNear(model.DamagedVerts[0], {-1, 0, 0});
    EXPECT_EQ(model.DamagedVerts[5], model.Vertices[5]);
    // The empty node is a dummy at its world position.
    ASSERT_EQ(h.NumDummies, 1);
    EXPECT_EQ(TrimmedName(h.DummyNames[0]), std::string(":HFLO\0", 6));
    ExpectNear(h.DummyPos[0], {-4, 5, 6});
}

TEST(GltfImport, MalformedFilesAreRefusedWithOneLineAndChangeNothing)
{
    struct Case {
        const char* name;
        std::function<void(ForeignFile&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"lines", [](ForeignFile& f) {
             json& d = f.doc; d["meshes"][1]["primitives"][0]["mode"] = 1; }, "points or lines"},
        {"index past the vertices", [](ForeignFile& f) { f.bin[102] = 9; }, "names no vertex"},
        {"accessor past its view", [](ForeignFile& f) {
             json& d = f.doc; d["accessors"][1]["byteOffset"] = 4; }, "reaches past"},
        {"view past its buffer", [](ForeignFile& f) {
             json& d = f.doc; d["bufferViews"][2]["byteLength"] = 9; }, ""},
        {"signed indices", [](ForeignFile& f) {
             json& d = f.doc; d["accessors"][2]["componentType"] = 5122; }, "unsigned integers"},
        {"float indices", [](ForeignFile& f) {
             json& d = f.doc; d["accessors"][2]["componentType"] = 5126; }, ""},
        {"no such accessor", [](ForeignFile& f) {
             json& d = f.doc; d["meshes"][0]["primitives"][0]["indices"] = 9; }, ""},
        {"a node cycle", [](ForeignFile& f) {
             json& d = f.doc; d["nodes"][1]["children"] = {0}; }, "reached twice"},
        {"absolute buffer path", [](ForeignFile& f) {
             json& d = f.doc; d["buffers"][0]["uri"] = "/etc/passwd"; }, "folder"},
        {"buffer outside the folder", [](ForeignFile& f) {
             json& d = f.doc; d["buffers"][0]["uri"] = "../scene.bin"; }, "folder"},
        {"network buffer", [](ForeignFile& f) {
             json& d = f.doc; d["buffers"][0]["uri"] = "http://example.org/scene.bin"; }, "folder"},
        {"65 parts",
         [](ForeignFile& f) {
             json& d = f.doc;
             for (int i = 0; i < 64; ++i)
                 d["nodes"].push_back({{"mesh", 1}});
             for (int i = 0; i < 64; ++i)
                 d["scenes"][0]["nodes"].push_back(4 + i);
         },
         "at most 64 parts"},
        {"not glTF", [](ForeignFile& f) {
             json& d = f.doc; d = json::array(); }, ""},
    };
    TempDir dir;
    const CarModel sample = Opened(ReadBytes(std::string(MOBRIX_SAMPLES_DIR) + "/sample-nfs3.fce"), FceVariant::Nfs3);
    for (const Case& c : cases) {
        ForeignFile file;
        c.change(file);
        CarModel model = sample;
        const ExchangeStatus read = ConvertGltf(model, file.Write(dir));
        ASSERT_TRUE(read) << c.name;
        EXPECT_THAT(read->detail, HasSubstr(c.message)) << c.name;
        EXPECT_EQ(read->detail.find('\n'), std::string::npos) << c.name;
        EXPECT_FALSE(read->detail.empty()) << c.name;
        EXPECT_EQ(model, sample) << c.name;
    }
}
