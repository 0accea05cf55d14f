// X file import: the first Mesh data object of text X files in the layout
// exporters write and in one entry per line, and refused files.

#include "ExchangeTestSupport.h"
#include "RandomModel.h"
#include "TestFiles.h"
#include "XFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using namespace exchange_testing;
using ::testing::IsEmpty;

namespace {

const char* const kTemplates = R"(xof 0303txt 0032
// written by hand for the tests
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}
template MeshFace {
 <3D82AB5F-62DA-11cf-AB39-0020AF71E433>
 DWORD nFaceVertexIndices;
 array DWORD faceVertexIndices[nFaceVertexIndices];
}
template Mesh {
 <3D82AB44-62DA-11cf-AB39-0020AF71E433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 DWORD nFaces;
 array MeshFace faces[nFaces];
 [...]
}
)";

// A cube of 8 vertices and 12 triangles inside a frame, after a material.
std::string Cube(const std::string& firstFace = "3;0,2,1;")
{
    return std::string(kTemplates) + R"(
Material Red { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  Mesh Cube_mesh {
    8;
    -1.000000;-1.000000;-1.000000;,
    1.000000;-1.000000;-1.000000;,
    1.000000;1.000000;-1.000000;,
    -1.000000;1.000000;-1.000000;,
    -1.000000;-1.000000;1.000000;,
    1.000000;-1.000000;1.000000;,
    1.000000;1.000000;1.000000;,
    -1.5e+00;1.000000;1.000000;;
    12;
    )" + firstFace + R"(,
    3;0,3,2;,
    3;4,5,6;,
    3;4,6,7;,
    3;0,1,5;,
    3;0,5,4;,
    3;1,2,6;,
    3;1,6,5;,
    3;2,3,7;,
    3;2,7,6;,
    3;3,0,4;,
    3;3,4,7;;
    MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }
  }
  Mesh Second { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
}
)";
}

CarModel Busy()
{
    CarModel model = RandomModel(12, {.vertices = 40, .triangles = 50, .parts = 5, .dummies = 3});
    model.CurrentPart = 4;
    return model;
}

} // namespace

TEST(ConvertX, TheCubeBecomesOnePartNamedAfterTheFile)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4}) {
        CarModel model = RandomModel(12, {.vertices = 40, .triangles = 50, .parts = 5, .dummies = 3, .origin = origin});
        const CarModel before = model;
        TempDir dir;
        const std::string path = dir.File("camaro_new.x");
        WriteBytes(path, Bytes(Cube()));
        ASSERT_FALSE(ConvertX(model, path));
        ASSERT_THAT(CheckModel(model), IsEmpty());
        EXPECT_EQ(model.Header.NumVertices, 8);
        EXPECT_EQ(model.Header.NumTriangles, 12);
        EXPECT_EQ(model.Normals, model.Vertices);
        EXPECT_EQ(model.Vertices[7], (Vec3{-1.5f, 1, 1}));
        for (const Triangle& t : model.Triangles) {
            EXPECT_EQ(t.TriFill, (std::array<std::uint16_t, 6>{0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00}));
            EXPECT_EQ(std::tie(t.TexPage, t.Flags, t.U1, t.V3), std::make_tuple(0, 0, 0.0f, 0.0f));
        }
        EXPECT_EQ(std::tie(model.Triangles[0].I1, model.Triangles[0].I2, model.Triangles[0].I3),
                  std::make_tuple(0, 2, 1));
        EXPECT_EQ(model.Triangles[11].I3, 7);
        EXPECT_EQ(model.Header.NumParts, 1);
        EXPECT_EQ(model.Header.PartNames[0], MakeName(std::string("camaro_new\0", 11)));
        EXPECT_EQ(model.Header.PartPos[0], Vec3{});
        EXPECT_EQ(model.Header.PartNumVertices[1], 0);
        EXPECT_EQ(model.Header.DummyPos, before.Header.DummyPos);
        EXPECT_EQ(model.Header.PriColours, before.Header.PriColours);
        EXPECT_EQ(model.Header.PartNames[3], before.Header.PartNames[3]);
        EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
        EXPECT_TRUE(model.DamagedVerts.empty());
        EXPECT_EQ(model.CurrentPart, 0);
    }
}

TEST(ConvertX, ReadsOneEntryPerLineWithoutHeader)
{
    const std::string lines = "Mesh {\n3;\n0.5;1.5;-2;,\n1;2;3;,\n4;5;6;;\n1;\n3;2,1,0;;\n}\n";
    XMesh mesh;
    ASSERT_FALSE(ReadXMesh(Bytes(lines), mesh));
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0], (Vec3{0.5f, 1.5f, -2}));
    ASSERT_EQ(mesh.triangles.size(), 1u);
    EXPECT_EQ(std::tie(mesh.triangles[0].I1, mesh.triangles[0].I3), std::make_tuple(2, 0));

    std::string crlf;
    for (char c : lines)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    XMesh same;
    ASSERT_FALSE(ReadXMesh(Bytes("xof 0302txt 0064" + crlf), same));
    EXPECT_EQ(same.vertices, mesh.vertices);
}

TEST(ConvertX, AFrameOrMaterialNamedMeshIsNotTheMesh)
{
    std::string named = Cube();
    for (const std::string object : {"Material Red", "Frame Root"})
        named.replace(named.find(object), object.size(), object.substr(0, object.find(' ')) + " Mesh");
    XMesh mesh;
    ASSERT_FALSE(ReadXMesh(Bytes(named), mesh));
    EXPECT_EQ(mesh.vertices.size(), 8u);
    EXPECT_EQ(mesh.triangles.size(), 12u);
}

TEST(ConvertX, FacesOtherThanTrianglesAreRefusedWithTheirNumber)
{
    std::string quadLater = Cube();
    quadLater.replace(quadLater.find("3;0,5,4;"), 8, "4;0,5,4,1;");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Cube("4;0,1,2,3;"), "Error - only 3-sided polygons allowed"},
        {quadLater, "Error - only 3-sided polygons allowed - error on polygon: 5"},
    };
    for (const auto& [file, message] : cases) {
        CarModel model = Busy();
        const CarModel before = model;
        const ExchangeStatus failure = ConvertX(model, Bytes(file), "cube");
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind, ExchangeError::NotTriangle);
        const ExchangeMessage box = FailureMessage(ExchangeCommand::ConvertX, *failure);
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.title, "Load error");
        EXPECT_EQ(model, before);
    }
}

TEST(ConvertX, MalformedFilesLeaveTheModelUnchanged)
{
    const std::string cube = Cube();
    std::vector<std::pair<std::string, std::string>> bad = {
        {"no mesh", std::string(kTemplates) + "Frame Root { }\n"},
        {"only the template", kTemplates},
        {"binary form", "xof 0303bin 0032" + cube.substr(16)},
        {"compressed form", "xof 0303tzip0032" + cube.substr(16)},
        {"negative count", "Mesh { -3; 0;0;0;; 0;; }"},
        {"count beyond the file", "Mesh { 3000000; 0;0;0;; 0;; }"},
        {"count beyond 32 bits", "Mesh { 99999999999; 0;0;0;; 0;; }"},
        {"word among the numbers", "Mesh { 2; 0;0;0;, zero;0;0;; 0;; }"},
        {"brace among the numbers", "Mesh { 2; 0;0;0;; }"},
        {"corner outside", "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"negative corner", "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,-1,2;; }"},
    };
    // Every cut before the last corner of the last face leaves the mesh short.
    for (std::size_t cut = 0; cut < cube.find("3;3,4,7;;") + 6; cut += 7)
        bad.emplace_back("cut at " + std::to_string(cut), cube.substr(0, cut));
    const CarModel original = Busy();
    for (const auto& [what, file] : bad) {
        CarModel model = original;
        const ExchangeStatus failure = ConvertX(model, Bytes(file), "x");
        ASSERT_TRUE(failure) << what;
        EXPECT_EQ(failure->kind, ExchangeError::Failed) << what;
        EXPECT_EQ(model, original) << what;
    }
    CarModel model = original;
    const ExchangeStatus failure = ConvertX(model, Bytes(bad[0].second), "x");
    const ExchangeMessage box = FailureMessage(ExchangeCommand::ConvertX, *failure);
    EXPECT_EQ(box.text, "An error has occurred during the loading process. The error code reported was:\r321\r"
                        "Report this error to: the Mobrix issue tracker\rThe program will attempt to continue running.");
    EXPECT_EQ(XPartName("/models/2/CAMARO_NEW.X"), "CAMARO_NEW");
}
