// Interop with an independent tool: assimp's command-line program writes
// 3DS, X and OBJ files that must read as the mesh it was given, and reads
// the 3DS and OBJ files the exports write with the right counts. Skipped
// when the tool is not installed.

#include "ExchangeTestSupport.h"
#include "FceFiles.h"
#include "Gltf.h"
#include "Obj.h"
#include "PartFiles.h"
#include "RandomModel.h"
#include "Process.h"
#include "TestFiles.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;
using namespace exchange_testing;
using ::testing::IsEmpty;

namespace {

std::string FindAssimp()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / "assimp";
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

#define REQUIRE_ASSIMP(tool)                                                                                           \
    const std::string tool = FindAssimp();                                                                             \
    if (tool.empty())                                                                                                  \
        GTEST_SKIP() << "assimp (Debian package assimp-utils) is not installed";

// One corner: position and texture coordinates.
using Corner = std::array<float, 5>;
using Face = std::array<Corner, 3>;

// The same face whichever corner it starts with (the winding is kept).
Face Normalized(Face f)
{
    std::rotate(f.begin(), std::min_element(f.begin(), f.end()), f.end());
    return f;
}

// Two objects of an OBJ file, with texture coordinates on the first.
const char* const kObj = R"(o Body
v -1 -1 -1
v 1 -1 -1
v 1 1 -1
v -1 1 -1
v -1 -1 1
v 1 -1 1
v 1 1 1
v -1 1 1.5
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vt 0.25 0.75
f 1/1 3/3 2/2
f 1/1 4/4 3/3
f 5/1 6/2 7/3
f 5/1 7/3 8/5
f 1/1 2/2 6/3
o Wing
v 5 5 5
v 6 5 5
v 5 6 5
v 6 6 4
f 9/1 10/2 11/3
f 10/2 12/4 11/3
)";

struct ObjMeshes {
    std::vector<std::multiset<Face>> objects;
};

// The faces of each object of kObj, read by this test (not by the product).
ObjMeshes ReadObj(const std::string& text)
{
    ObjMeshes out;
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> uvs;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "o") {
            out.objects.emplace_back();
        } else if (kind == "v") {
            std::array<float, 3> p{};
            words >> p[0] >> p[1] >> p[2];
            positions.push_back(p);
        } else if (kind == "vt") {
            std::array<float, 2> t{};
            words >> t[0] >> t[1];
            uvs.push_back(t);
        } else if (kind == "f") {
            Face face{};
            for (Corner& c : face) {
                std::string ref;
                words >> ref;
                const std::size_t slash = ref.find('/');
                const auto& p = positions.at(std::stoul(ref.substr(0, slash)) - 1);
                const auto& t = uvs.at(std::stoul(ref.substr(slash + 1)) - 1);
                c = {p[0], p[1], p[2], t[0], t[1]};
            }
            out.objects.back().insert(Normalized(face));
        }
    }
    return out;
}

std::multiset<Face> PartFaces(const CarModel& model, int part, bool withUv)
{
    std::multiset<Face> faces;
    const IndexRange vertices = PartVertexRange(model, part);
    const IndexRange triangles = PartTriangleRange(model, part);
    for (std::int64_t t = triangles.begin; t < triangles.end; ++t) {
        const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
        const std::array<std::int32_t, 3> index{tri.I1, tri.I2, tri.I3};
        const std::array<float, 3> u{tri.U1, tri.U2, tri.U3};
        const std::array<float, 3> v{tri.V1, tri.V2, tri.V3};
        Face face{};
        for (std::size_t k = 0; k < 3; ++k) {
            const Vec3& p = model.Vertices[static_cast<std::size_t>(vertices.begin + index[k])];
            face[k] = {p.X, p.Y, p.Z, withUv ? u[k] : 0, withUv ? v[k] : 0};
        }
        faces.insert(Normalized(face));
    }
    return faces;
}

std::multiset<Face> WithoutUv(const std::multiset<Face>& faces)
{
    std::multiset<Face> out;
    for (Face f : faces) {
        for (Corner& c : f)
            c[3] = c[4] = 0;
        out.insert(Normalized(f));
    }
    return out;
}

// A mirror in Z with the winding turned, as a left-handed exporter writes.
std::multiset<Face> MirroredZ(const std::multiset<Face>& faces)
{
    std::multiset<Face> out;
    for (Face f : faces) {
        for (Corner& c : f)
            c[2] = -c[2];
        std::swap(f[1], f[2]);
        out.insert(Normalized(f));
    }
    return out;
}

// A part of w x h vertices on a grid, two triangles per cell, every vertex used.
void AddGridPart(CarModel& model, const std::string& name, int w, int h, float offset)
{
    std::vector<Vec3> vertices;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            vertices.push_back({offset + float(x), float(y), offset * 0.5f + float(x * y) * 0.01f});
    }
    std::vector<Triangle> triangles;
    for (int y = 0; y + 1 < h; ++y) {
        for (int x = 0; x + 1 < w; ++x) {
            const int a = y * w + x;
            Triangle t1, t2;
            std::tie(t1.I1, t1.I2, t1.I3) = std::make_tuple(a, a + 1, a + w);
            std::tie(t2.I1, t2.I2, t2.I3) = std::make_tuple(a + 1, a + w + 1, a + w);
            triangles.push_back(t1);
            triangles.push_back(t2);
        }
    }
    const std::vector<Vec3> normals(vertices.size(), Vec3{0, 0, 1});
    ASSERT_FALSE(InsertPartBinary(model, EncodeBinaryPartFile(MakeName(name), vertices, normals, triangles)));
}

std::int64_t InfoNumber(const std::string& info, const std::string& label)
{
    std::smatch match;
    if (!std::regex_search(info, match, std::regex(label + R"(:\s+(\d+))")))
        return -1;
    return std::stoll(match[1]);
}

// assimp's summary of `file` names the three grid parts of GridModel().
void ExpectAssimpCounts(const std::string& assimp, const std::string& file, const CarModel& model)
{
    const ProcessResult info = RunProcess(assimp, {"info", file});
    ASSERT_EQ(info.exitCode, 0) << info.out << info.err;
    EXPECT_EQ(InfoNumber(info.out, "Meshes"), 3) << info.out;
    EXPECT_EQ(InfoNumber(info.out, "Vertices"), model.Header.NumVertices) << info.out;
    EXPECT_EQ(InfoNumber(info.out, "Faces"), model.Header.NumTriangles) << info.out;
    for (const auto& [vertices, faces] : std::vector<std::pair<int, int>>{{24, 30}, {15, 16}, {14, 12}}) {
        // Built by appending: GCC 12 at -O3 warns about a literal put before to_string.
        std::string counts = "[";
        counts += std::to_string(vertices) + " / 0 / " + std::to_string(faces) + " | triangle]";
        EXPECT_THAT(info.out, ::testing::HasSubstr(counts));
    }
}

CarModel GridModel()
{
    CarModel model;
    NewFCE(model);
    AddGridPart(model, "Body", 6, 4, 0);
    AddGridPart(model, "Door", 3, 5, 10);
    AddGridPart(model, "Wing", 7, 2, -10);
    return model;
}

} // namespace

TEST(Interop, A3dsFileWrittenByAssimpReadsAsTheSameMesh)
{
    REQUIRE_ASSIMP(assimp);
    TempDir dir;
    WriteBytes(dir.File("in.obj"), Bytes(kObj));
    const ProcessResult exported = RunProcess(assimp, {"export", dir.File("in.obj"), dir.File("out.3ds")});
    ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;

    CarModel model;
    NewFCE(model);
    ASSERT_FALSE(Convert3DS(model, dir.File("out.3ds")));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    const ObjMeshes obj = ReadObj(kObj);
    ASSERT_EQ(model.Header.NumParts, 2);
    EXPECT_EQ(PartFaces(model, 0, true), obj.objects[0]); // mapping coordinates arrive on the corners
    EXPECT_EQ(PartFaces(model, 1, false), WithoutUv(obj.objects[1]));
    EXPECT_EQ(model.Header.NumTriangles, 7);
}

TEST(Interop, AssimpReadsOurExportWithTheRightCounts)
{
    REQUIRE_ASSIMP(assimp);
    const CarModel model = GridModel();
    TempDir dir;
    ASSERT_FALSE(Write3DS(model, dir.File("car.3ds")));
    ExpectAssimpCounts(assimp, dir.File("car.3ds"), model);
}

TEST(Interop, AssimpReadsOurObjWithTheRightCounts)
{
    REQUIRE_ASSIMP(assimp);
    CarModel model = GridModel();
    model.Header.PartPos[1] = {1, 2, 3};
    TempDir dir;
    ASSERT_FALSE(WriteObj(model, dir.File("car.obj")));
    ExpectAssimpCounts(assimp, dir.File("car.obj"), model);
}

TEST(Interop, AnObjWrittenByAssimpFromA3dsFileImportsWithTheSameCounts)
{
    REQUIRE_ASSIMP(assimp);
    TempDir dir;
    ASSERT_FALSE(Write3DS(GridModel(), dir.File("car.3ds")));
    const ProcessResult exported = RunProcess(assimp, {"export", dir.File("car.3ds"), dir.File("car.obj")});
    ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;

    CarModel fromObj;
    NewFCE(fromObj);
    ASSERT_FALSE(ConvertObj(fromObj, dir.File("car.obj")));
    ASSERT_THAT(CheckModel(fromObj), IsEmpty());
    CarModel from3ds;
    NewFCE(from3ds);
    ASSERT_FALSE(Convert3DS(from3ds, dir.File("car.3ds")));
    const ModelHeader& a = fromObj.Header;
    const ModelHeader& b = from3ds.Header;
    ASSERT_EQ(a.NumParts, b.NumParts);
    EXPECT_EQ(a.PartNumTriangles, b.PartNumTriangles);
    EXPECT_EQ(a.PartNumVertices, b.PartNumVertices);
}

TEST(Interop, AnXFileWrittenByAssimpInTextFormIsRead)
{
    REQUIRE_ASSIMP(assimp);
    TempDir dir;
    WriteBytes(dir.File("in.obj"), Bytes(kObj));
    const ProcessResult exported = RunProcess(assimp, {"export", dir.File("in.obj"), dir.File("out.x"), "-fx"});
    ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;
    ASSERT_EQ(ReadBytes(dir.File("out.x"))[8], 't') << "assimp wrote no text X file";

    CarModel model;
    NewFCE(model);
    ASSERT_FALSE(ConvertX(model, dir.File("out.x")));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    EXPECT_EQ(model.Header.NumTriangles, 5);
    EXPECT_EQ(model.Header.PartNames[0], MakeName(std::string("out\0", 4)));
    // The first mesh, as given or mirrored into a left-handed system.
    const std::multiset<Face> expected = WithoutUv(ReadObj(kObj).objects[0]);
    const std::multiset<Face> read = PartFaces(model, 0, false);
    EXPECT_TRUE(read == expected || read == MirroredZ(expected));
}

namespace {

CarModel Sample(const std::string& name)
{
    CarModel model;
    const std::string path = std::string(MOBRIX_SAMPLES_DIR) + "/" + name;
    EXPECT_FALSE(OpenFCE(model, path, DetectVariant(path)));
    return model;
}

// An 8 x 8 PNG image, built from the format's chunks.
std::vector<std::uint8_t> SmallPng()
{
    return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
            0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x08, 0x02, 0x00, 0x00, 0x00, 0x4B, 0x6D, 0x29, 0xDC, 0x00, 0x00, 0x00,
            0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x38, 0x21, 0x22, 0x82, 0x15, 0x31, 0x0C, 0x2D, 0x09, 0x00,
            0x9F, 0x21, 0x3C, 0x01, 0x13, 0xFB, 0xF8, 0x79, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42,
            0x60, 0x82};
}

// Files of every kind the glTF writer makes: both samples in both
// containers with a texture, and an NFSIV model with normals of any length,
// a second undamaged set and reserved data, shown damaged.
std::vector<std::string> ExportGltfKinds(const TempDir& dir)
{
    std::vector<std::string> files;
    for (const char* sample : {"sample-nfs3", "sample-nfs4"}) {
        for (const char* extension : {".glb", ".gltf"}) {
            files.push_back(dir.File(std::string(sample) + extension));
            EXPECT_FALSE(WriteGltf(Sample(std::string(sample) + ".fce"), files.back(), SmallPng()));
        }
    }
    CarModel random = RandomModel(5, {.vertices = 400, .triangles = 700, .parts = 5, .dummies = 4});
    EncodedFile nfs4 = EncodeFCE4(random);
    CarModel full;
    EXPECT_FALSE(ReadFCE4(nfs4.bytes, full));
    full.ActiveVertexSet = VertexSet::Damaged;
    full.Vertices = full.DamagedVerts;
    full.Normals = full.DamagedNorms;
    files.push_back(dir.File("random.glb"));
    EXPECT_FALSE(WriteGltf(full, files.back()));
    return files;
}

std::string FindNode()
{
    for (const char* candidate : {"/usr/bin/node", "/usr/local/bin/node", "/usr/bin/nodejs"}) {
        if (::access(candidate, X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

TEST(Interop, TheKhronosValidatorFindsNoErrorsInOurGltfFiles)
{
    const std::string node = FindNode();
    const bool installed =
        !node.empty() && std::filesystem::exists(std::string(GLTF_VALIDATOR_DIR) + "/node_modules/gltf-validator");
    if (!installed) {
        const std::string why = "the glTF validator is not installed (scripts/install-deps installs Node.js and it)";
        if (std::getenv("CI"))
            FAIL() << why;
        GTEST_SKIP() << why;
    }
    TempDir dir;
    std::vector<std::string> args{std::string(GLTF_VALIDATOR_DIR) + "/validate.js"};
    for (const std::string& file : ExportGltfKinds(dir))
        args.push_back(file);
    const ProcessResult result = RunProcess(node, args);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_THAT(result.out, ::testing::Not(::testing::HasSubstr(" error ")));
    std::cout << result.out;
}

TEST(Interop, AssimpReadsOurGltfWithTheRightCounts)
{
    REQUIRE_ASSIMP(assimp);
    TempDir dir;
    for (const std::string& file : ExportGltfKinds(dir)) {
        CarModel model;
        NewFCE(model);
        ASSERT_FALSE(ConvertGltf(model, file));
        std::set<std::pair<int, int>> groups;
        std::size_t primitives = 0;
        for (int p = 0; p < model.Header.NumParts; ++p) {
            groups.clear();
            for (std::int32_t t = 0; t < model.Header.PartNumTriangles[static_cast<std::size_t>(p)]; ++t) {
                const Triangle& tri =
                    model.Triangles[static_cast<std::size_t>(model.Header.PartFirstTriangle[static_cast<std::size_t>(p)] + t)];
                groups.insert({tri.TexPage, tri.Flags});
            }
            primitives += groups.size();
        }
        const ProcessResult info = RunProcess(assimp, {"info", file, "-r"});
        ASSERT_EQ(info.exitCode, 0) << info.out << info.err;
        // assimp's root, the parts, the dummies' group and the dummies.
        const int dummies = model.Header.NumDummies;
        EXPECT_EQ(InfoNumber(info.out, "Nodes"), 1 + model.Header.NumParts + (dummies > 0 ? 1 + dummies : 0)) << file;
        EXPECT_EQ(InfoNumber(info.out, "Meshes"), static_cast<std::int64_t>(primitives)) << file;
        EXPECT_EQ(InfoNumber(info.out, "Faces"), model.Header.NumTriangles) << file;
    }
}

TEST(Interop, GltfFilesWrittenByAssimpFromTheSamplesImport)
{
    REQUIRE_ASSIMP(assimp);
    TempDir dir;
    for (const char* sample : {"sample-nfs3.fce", "sample-nfs4.fce"}) {
        const CarModel model = Sample(sample);
        ASSERT_FALSE(WriteGltf(model, dir.File("ours.glb")));
        for (const auto& [name, format] : {std::pair{"theirs.glb", "glb2"}, std::pair{"theirs.gltf", "gltf2"}}) {
            const ProcessResult exported =
                RunProcess(assimp, {"export", dir.File("ours.glb"), dir.File(name), std::string("-f") + format});
            ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;
            CarModel back;
            NewFCE(back);
            const ExchangeStatus read = ConvertGltf(back, dir.File(name));
            ASSERT_FALSE(read) << read->detail;
            EXPECT_THAT(CheckModel(back), IsEmpty());
            EXPECT_EQ(back.Header.NumParts, model.Header.NumParts) << sample << " " << name;
            EXPECT_EQ(back.Header.NumTriangles, model.Header.NumTriangles) << sample << " " << name;
            EXPECT_EQ(back.Header.NumDummies, model.Header.NumDummies) << sample << " " << name;
            const std::string shown = TrimmedName(back.Header.PartNames[1]);
            EXPECT_EQ(shown.substr(0, shown.find('\0')), TrimmedName(model.Header.PartNames[1]));
            // Placed where the part was, whatever way the transform is written.
            for (int axis = 0; axis < 3; ++axis) {
                const float* a = &back.Header.PartPos[1].X;
                const float* b = &model.Header.PartPos[1].X;
                EXPECT_NEAR(a[axis], b[axis], 1e-5) << sample << " " << name;
            }
        }
    }
}
