// Binary and text part files: their exact layout, round trips through the
// model, and every refusal leaving the model as it was.

#include "ExchangeCommon.h"
#include "ExchangeTestSupport.h"
#include "PartFiles.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <random>
#include <cmath>
#include <tuple>

using namespace mobrix;
using namespace testing_support;
using namespace exchange_testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// Two parts: part 1 with one vertex and no triangle, part 2 with three
// vertices and one triangle.
CarModel HandModel()
{
    CarModel m;
    NewFCE(m);
    ModelHeader& h = m.Header;
    h.NumParts = 2;
    h.NumVertices = 4;
    h.NumTriangles = 1;
    h.PartNumVertices[0] = 1;
    h.PartFirstVertex[1] = 1;
    h.PartNumVertices[1] = 3;
    h.PartNumTriangles[1] = 1;
    h.PartNames[0] = MakeName("Empty");
    h.PartNames[1] = MakeName("  Door");
    m.Vertices = {{9, 9, 9}, {-0.5f, 1.25f, 3}, {0.1f, -0.0f, 1e-12f}, {-2, 0, 100}};
    m.Normals = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}};
    Triangle t;
    t.TexPage = 3;
    t.I1 = 0;
    t.I2 = 1;
    t.I3 = 2;
    t.Flags = 8;
    t.U1 = 0.5f;
    t.U2 = 0.1f;
    t.U3 = 1;
    t.V1 = 1e-5f;
    t.V2 = -0.25f;
    t.V3 = 0.3333333f;
    m.Triangles = {t};
    m.Reserved1.resize(4);
    m.Reserved2.resize(4);
    m.Reserved3.resize(4);
    ResetSelection(m);
    return m;
}

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> TextOf(const CarModel& model, int part)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(EncodePartText(model, part, "1/2/2024 10:00:00", bytes));
    return bytes;
}

std::vector<std::uint8_t> BinaryOf(const CarModel& model, int part)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(EncodePartBinary(model, part, bytes));
    return bytes;
}

// Replaces the first occurrence of `from` in a text file.
std::vector<std::uint8_t> Edited(const std::vector<std::uint8_t>& file, const std::string& from, const std::string& to)
{
    std::string text = Text(file);
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return Bytes(text);
}

} // namespace

TEST(PartFileText, IsWrittenLineForLine)
{
    const CarModel model = HandModel();
    const std::string text = Text(TextOf(model, 1));
    const std::string expected =
        "NFSIII Mobrix Part File\r\n"
        "------------------------\r\n"
        "\r\n"
        "Part Name:\r\n"
        "Door\r\n"
        "Number of vertices:\r\n"
        " 3 \r\n"
        "Number of triangles:\r\n"
        " 1 \r\n"
        "\r\n"
        "Table of vertices\r\n"
        "-----------------\r\n"
        "1:\r\nX: -0.5000000000\r\nY: 1.2500000000\r\nZ: 3.0000000000\r\n"
        "2:\r\nX: 0.1000000015\r\nY: 0.0000000000\r\nZ: 0.0000000000\r\n"
        "3:\r\nX: -2.0000000000\r\nY: 0.0000000000\r\nZ: 100.0000000000\r\n"
        "End of vertices\r\n"
        "\r\n"
        "Table of normals\r\n"
        "----------------\r\n"
        "1:\r\nX: 0.0000000000\r\nY: 1.0000000000\r\nZ: 0.0000000000\r\n"
        "2:\r\nX: 1.0000000000\r\nY: 0.0000000000\r\nZ: 0.0000000000\r\n"
        "3:\r\nX: 0.0000000000\r\nY: 0.0000000000\r\nZ: -1.0000000000\r\n"
        "End of normals\r\n"
        "\r\n"
        "Table of triangles\r\n"
        "------------------\r\n"
        "I1: 0\r\nI2: 1\r\nI3: 2\r\n"
        "U1: 0.5\r\nU2: 0.1\r\nU3: 1\r\n"
        "V1: 1E-05\r\nV2: -0.25\r\nV3: 0.3333333\r\n"
        "End of triangles\r\n"
        "\r\n"
        "File created: 1/2/2024 10:00:00\r\n";
    ASSERT_THAT(text, StartsWith(expected));
    const std::string credit = text.substr(expected.size());
    EXPECT_THAT(credit, HasSubstr("Mobrix"));
    EXPECT_EQ(credit.find("\r\n"), credit.size() - 2) << "one credit line, ended by CR LF";

    // No triangles: the end line follows the dashes; NULs of the name stay.
    CarModel named = model;
    named.Header.PartNames[0] = MakeName(std::string(" Hood\0x", 7));
    const std::string empty = Text(TextOf(named, 0));
    EXPECT_THAT(empty, HasSubstr("Part Name:\r\n" + std::string("Hood\0x", 6) + "\r\n"));
    EXPECT_THAT(empty, HasSubstr("0:\r\nX: 9.0000000000\r\n"));
    EXPECT_THAT(empty, HasSubstr("Number of triangles:\r\n 0 \r\n"));
    EXPECT_THAT(empty, HasSubstr("Table of triangles\r\n------------------\r\nEnd of triangles\r\n"));
}

TEST(PartFileText, CoordinatesHaveExactlyTenCorrectlyRoundedDecimals)
{
    const auto expected = [](float value) {
        char text[128];
        const auto end = std::to_chars(std::begin(text), std::end(text), value == 0.0f ? 0.0 : double{value},
                                       std::chars_format::fixed, 10);
        return std::string(text, end.ptr);
    };
    std::vector<float> values = {0.00048828125f, 0.00146484375f, -0.00048828125f, 5e-11f, 4.9e-11f, 1e-45f,
                                 16777215.0f,    16777216.0f,    -3.4e38f,        0.5f,  123456.789f, -0.0f};
    std::mt19937 random(17);
    for (int i = 0; i < 200'000; ++i) {
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(f))
            values.push_back(f);
        values.push_back(std::uniform_real_distribution<float>(-20, 20)(random));
    }
    for (float f : values) {
        std::string text;
        exchange::AppendFixed10(text, f);
        ASSERT_EQ(text, expected(f)) << std::hexfloat << f;
    }
}

TEST(PartFileText, TableSizesFollowTheCountsForEveryPart)
{
    const CarModel model = RandomModel(5, {.vertices = 60, .triangles = 90, .parts = 6});
    for (int p = 0; p < 6; ++p) {
        const std::string text = Text(TextOf(model, p));
        const auto count = [&text](const std::string& what) {
            std::size_t n = 0;
            for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
                ++n;
            return static_cast<std::int64_t>(n);
        };
        const std::size_t part = static_cast<std::size_t>(p);
        EXPECT_EQ(count("\r\nX: "), 2 * std::int64_t{model.Header.PartNumVertices[part]}) << "part " << p;
        EXPECT_EQ(count("\r\nI1: "), model.Header.PartNumTriangles[part]) << "part " << p;
        EXPECT_EQ(count("\r\nV3: "), model.Header.PartNumTriangles[part]) << "part " << p;
        EXPECT_THAT(text, HasSubstr("\r\n" + std::to_string(model.Header.PartFirstVertex[part]) + ":\r\n"));
    }
}

TEST(PartFileBinary, HoldsTheRecordsAtTheirOffsets)
{
    const CarModel model = HandModel();
    const std::vector<std::uint8_t> file = BinaryOf(model, 1);
    ASSERT_EQ(file.size(), 72u + 24 * 3 + 56 * 1);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 64), NameText(MakeName("  Door")));
    EXPECT_EQ(GetI32(file, 64), 3);
    EXPECT_EQ(GetI32(file, 68), 1);
    EXPECT_EQ(GetF32(file, 72), -0.5f);
    EXPECT_EQ(GetF32(file, 72 + 12 * 2 + 8), 100.0f);
    EXPECT_EQ(GetF32(file, 72 + 36 + 4), 1.0f); // first normal's Y
    const std::size_t tri = 72 + 72;
    EXPECT_EQ(GetI32(file, tri), 3);
    EXPECT_EQ(GetI32(file, tri + 8), 1);
    EXPECT_EQ(GetI32(file, tri + 28), 8);
    EXPECT_EQ(GetF32(file, tri + 32), 0.5f);
    EXPECT_EQ(GetF32(file, tri + 44), 1e-5f);

    const std::vector<std::uint8_t> empty = BinaryOf(model, 0);
    EXPECT_EQ(empty.size(), 72u + 24);
    EXPECT_EQ(GetI32(empty, 68), 0);
}

TEST(PartFileBinary, RoundTripsThePartByteForByte)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4, ModelOrigin::Fce4m}) {
        CarModel model = RandomModel(11, {.vertices = 80, .triangles = 120, .parts = 5, .origin = origin});
        model.VertSelected[3] = -1;
        model.TriState[2].RemapGroup = 4;
        for (int p = 0; p < 5; ++p) {
            const std::vector<std::uint8_t> file = BinaryOf(model, p);
            const CarModel before = model;
            ASSERT_FALSE(InsertPartBinary(model, file));
            ASSERT_THAT(CheckModel(model), IsEmpty());
            const int added = model.Header.NumParts - 1;
            EXPECT_EQ(added, 5 + p);
            // The new part's records are the extracted ones: extracting it
            // again gives the same bytes after the name field.
            const std::vector<std::uint8_t> again = BinaryOf(model, added);
            ASSERT_EQ(again.size(), file.size());
            EXPECT_TRUE(std::equal(file.begin() + 64, file.end(), again.begin() + 64));
            const std::string name = TrimmedName(before.Header.PartNames[static_cast<std::size_t>(p)]);
            EXPECT_EQ(model.Header.PartNames[static_cast<std::size_t>(added)], MakeName(name + '\0'));
            EXPECT_EQ(model.Header.PartFirstVertex[static_cast<std::size_t>(added)], before.Header.NumVertices);
            EXPECT_EQ(model.Header.PartPos[static_cast<std::size_t>(added)],
                      before.Header.PartPos[static_cast<std::size_t>(added)]);
            // Marks survive; every vertex's reserved blocks are zeroed.
            EXPECT_EQ(model.VertSelected[3], -1);
            EXPECT_EQ(model.TriState[2].RemapGroup, 4);
            for (const Reserved32& r : model.Reserved1)
                EXPECT_EQ(r, Reserved32{});
            for (const Reserved12& r : model.Reserved3)
                EXPECT_EQ(r, Reserved12{});
            if (origin != ModelOrigin::Nfs3) {
                const auto first = static_cast<std::size_t>(before.Header.NumVertices);
                EXPECT_EQ(model.DamagedVerts[first], model.Vertices[first]);
                EXPECT_EQ(model.Undamaged2Norms[first], model.Normals[first]);
                EXPECT_EQ(model.VertFlags.back(), Reserved4{});
                EXPECT_EQ(model.DamagedVerts[0], before.DamagedVerts[0]);
            }
        }
    }
}

TEST(PartFileText, RoundTripsToTheGivenPrecision)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4}) {
        CarModel model = RandomModel(21, {.vertices = 90, .triangles = 140, .parts = 4, .origin = origin});
        model.Vertices[0] = {1e-4f, -123456.78f, 0.3f};
        model.Triangles[0].U1 = 0.123456789f;
        model.VertSelected[1] = -1;
        model.TriState[0].Selected = -1;
        const CarModel before = model;
        const int part = 0;
        ASSERT_FALSE(InsertPartText(model, TextOf(model, part)));
        ASSERT_THAT(CheckModel(model), IsEmpty());
        ASSERT_EQ(model.Header.NumParts, 5);

        const IndexRange from = PartVertexRange(before, part);
        const IndexRange to = PartVertexRange(model, 4);
        ASSERT_EQ(to.size(), from.size());
        for (std::int64_t i = 0; i < from.size(); ++i) {
            const auto a = static_cast<std::size_t>(from.begin + i);
            const auto b = static_cast<std::size_t>(to.begin + i);
            for (auto [x, y] : {std::pair{before.Vertices[a].X, model.Vertices[b].X},
                                std::pair{before.Vertices[a].Y, model.Vertices[b].Y},
                                std::pair{before.Normals[a].Z, model.Normals[b].Z}})
                EXPECT_NEAR(y, x, 5e-11 + std::fabs(x) * 6e-8);
        }
        const IndexRange fromTris = PartTriangleRange(before, part);
        const IndexRange toTris = PartTriangleRange(model, 4);
        ASSERT_EQ(toTris.size(), fromTris.size());
        for (std::int64_t i = 0; i < fromTris.size(); ++i) {
            const Triangle& a = before.Triangles[static_cast<std::size_t>(fromTris.begin + i)];
            const Triangle& b = model.Triangles[static_cast<std::size_t>(toTris.begin + i)];
            EXPECT_EQ(std::tie(b.I1, b.I2, b.I3), std::tie(a.I1, a.I2, a.I3));
            for (auto [x, y] : {std::pair{a.U1, b.U1}, std::pair{a.U3, b.U3}, std::pair{a.V2, b.V2}})
                EXPECT_NEAR(y, x, std::fabs(x) * 1e-6);
            EXPECT_EQ(b.TexPage, 0);
            EXPECT_EQ(b.Flags, 0);
            EXPECT_EQ(b.TriFill, (std::array<std::uint16_t, 6>{0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00, 0xFF00}));
        }
        // Seven significant digits of U survive exactly as text.
        EXPECT_EQ(model.Triangles[static_cast<std::size_t>(toTris.begin)].U1, 0.1234568f);
        // Existing reserved blocks are kept, the selection is cleared.
        EXPECT_EQ(model.Reserved1[0], before.Reserved1[0]);
        EXPECT_EQ(model.Reserved2.back(), Reserved12{});
        EXPECT_EQ(model.VertSelected[1], 0);
        EXPECT_EQ(model.TriState[0], TriStateRecord{});
        if (origin == ModelOrigin::Nfs4) {
            const auto first = static_cast<std::size_t>(to.begin);
            EXPECT_EQ(model.NormalVerts[first], model.Vertices[first]);
            EXPECT_EQ(model.DamagedNorms[first], model.Normals[first]);
        }
    }
}

TEST(PartFileText, ReadsValuesWhateverTheBlanksAndLineEnds)
{
    CarModel model = HandModel();
    std::vector<std::uint8_t> file = TextOf(model, 1);
    file = Edited(file, "X: -0.5000000000\r\n", "   X: -0.5000000000   \r\n");
    file = Edited(file, "I2: 1\r\n", "  I2: 2   \r\n");
    file = Edited(file, " 3 \r\n", "3\r\n");
    file = Edited(file, "Door", "  Bonnet  ");
    std::string lf = Text(file);
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    for (const std::vector<std::uint8_t>& variant : {file, Bytes(lf)}) {
        CarModel target = HandModel();
        ASSERT_FALSE(InsertPartText(target, variant));
        ASSERT_THAT(CheckModel(target), IsEmpty());
        EXPECT_EQ(target.Vertices[4].X, -0.5f);
        EXPECT_EQ(target.Triangles[1].I2, 2);
        EXPECT_EQ(target.Header.PartNames[2], MakeName(std::string("Bonnet\0", 7)));
    }
}

TEST(PartFileText, OneCharacterHeaderChangeIsRefused)
{
    const CarModel original = HandModel();
    const std::vector<std::uint8_t> file = TextOf(original, 1);
    for (const char* header : {"NFSIII Mobrix Part Filf", "NFSIII Mobrix Part File ", "nFSIII Mobrix Part File"}) {
        CarModel model = original;
        const ExchangeStatus failure = InsertPartText(model, Edited(file, kPartFileHeader, header));
        ASSERT_TRUE(failure) << header;
        EXPECT_EQ(failure->kind, ExchangeError::InvalidHeader);
        EXPECT_EQ(model, original);
        const ExchangeMessage box = FailureMessage(ExchangeCommand::InsertPart, *failure);
        EXPECT_EQ(box.text, "Not sure if this is a NFSIII Mobrix part file. (Invalid header)");
        EXPECT_EQ(box.title, "Error!");
        EXPECT_EQ(box.icon, MessageIcon::Critical);
    }
}

TEST(PartFileInsert, FifteenPartsAreRefusedBeforeTheFileIsRead)
{
    CarModel model = RandomModel(3, {.vertices = 40, .triangles = 30, .parts = 14});
    EXPECT_FALSE(PartLimitReached(model));
    TempDir dir;
    const std::string prt = dir.File("part.PRT");
    WriteBytes(prt, BinaryOf(model, 0));
    ASSERT_FALSE(InsertPart(model, prt, PartFileFormat::Binary));
    ASSERT_EQ(model.Header.NumParts, 15);
    EXPECT_TRUE(PartLimitReached(model));

    const CarModel full = model;
    for (const std::string& path : std::vector<std::string>{prt, dir.File("missing.PRT")}) {
        const ExchangeStatus failure = InsertPart(model, path, PartFileFormat::Binary);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind, ExchangeError::TooManyParts);
        const ExchangeMessage box = FailureMessage(ExchangeCommand::InsertPart, *failure);
        EXPECT_EQ(box.text, "No more parts allowed! (max. 15)");
        EXPECT_EQ(box.title, "Error!");
    }
    EXPECT_TRUE(InsertPartText(model, TextOf(model, 0)));
    EXPECT_EQ(model, full);

    CarModel small = RandomModel(4, {.parts = 2});
    const ExchangeStatus missing = InsertPart(small, dir.File("missing.PRT"), PartFileFormat::Text);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, ExchangeError::FileNotFound);
    EXPECT_EQ(FailureMessage(ExchangeCommand::InsertPart, *missing).text, "File not found");
}

TEST(PartFileBinary, MalformedFilesLeaveTheModelUnchanged)
{
    const CarModel original = RandomModel(7, {.vertices = 30, .triangles = 40, .parts = 3});
    const std::vector<std::uint8_t> good = BinaryOf(original, 1);
    std::vector<std::vector<std::uint8_t>> bad;
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        bad.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    const auto withI32 = [&good](std::size_t at, std::int32_t v) {
        std::vector<std::uint8_t> f = good;
        PutI32(f, at, v);
        return f;
    };
    const std::size_t n = static_cast<std::size_t>(GetI32(good, 64));
    const std::size_t firstTriangle = 72 + 24 * n;
    bad.push_back(withI32(64, -1));
    bad.push_back(withI32(68, -5));
    bad.push_back(withI32(64, INT32_MAX));
    bad.push_back(withI32(68, INT32_MAX));
    bad.push_back(withI32(firstTriangle + 4, static_cast<std::int32_t>(n)));
    bad.push_back(withI32(firstTriangle + 8, -1));

    for (std::size_t i = 0; i < bad.size(); ++i) {
        CarModel model = original;
        const ExchangeStatus failure = InsertPartBinary(model, bad[i]);
        ASSERT_TRUE(failure) << "case " << i;
        EXPECT_EQ(failure->kind, ExchangeError::Failed);
        EXPECT_NE(failure->code, 0);
        EXPECT_EQ(model, original) << "case " << i;
    }
    CarModel model = original;
    const ExchangeStatus cut = InsertPartBinary(model, bad[100]);
    EXPECT_EQ(FailureMessage(ExchangeCommand::InsertPart, *cut).text,
              "An error has occurred whilst extracting the part. The error code reported was:\r62\r"
              "Report this error to: the Mobrix issue tracker\rThe program will attempt to continue running.");
}

TEST(PartFileText, MalformedFilesLeaveTheModelUnchanged)
{
    const CarModel original = HandModel();
    const std::vector<std::uint8_t> good = TextOf(original, 1);
    const std::string text = Text(good);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad = {
        {"negative count", Edited(good, " 3 \r\n", " -3 \r\n")},
        {"count not a number", Edited(good, " 1 \r\n", " one \r\n")},
        {"count beyond 32 bits", Edited(good, " 3 \r\n", " 3000000000 \r\n")},
        {"count beyond the file", Edited(good, " 1 \r\n", " 100000000 \r\n")},
        {"one vertex fewer than counted", Edited(good, " 3 \r\n", " 4 \r\n")},
        {"one vertex more than counted", Edited(good, " 3 \r\n", " 2 \r\n")},
        {"one triangle more than counted", Edited(good, " 1 \r\n", " 0 \r\n")},
        {"unreadable coordinate", Edited(good, "Y: 1.2500000000", "Y: 1,25")},
        {"coordinate with text after it", Edited(good, "Y: 1.2500000000", "Y: 1.25 m")},
        {"coordinate too large", Edited(good, "Y: 1.2500000000", "Y: 1e39")},
        {"missing label", Edited(good, "Z: 3.0000000000", "")},
        {"unreadable index", Edited(good, "I3: 2", "I3: 2.5")},
        {"corner outside the part", Edited(good, "I3: 2", "I3: 3")},
        {"negative corner", Edited(good, "I1: 0", "I1: -1")},
        {"unreadable texture coordinate", Edited(good, "U2: 0.1", "U2: x")},
    };
    const std::size_t endLine = text.find("End of triangles");
    for (std::size_t at = text.find("\r\n"); at != std::string::npos && at + 2 <= endLine;
         at = text.find("\r\n", at + 2))
        bad.emplace_back("cut at byte " + std::to_string(at + 2), Bytes(text.substr(0, at + 2)));
    for (const auto& [what, file] : bad) {
        CarModel model = original;
        const ExchangeStatus failure = InsertPartText(model, file);
        ASSERT_TRUE(failure) << what;
        EXPECT_EQ(failure->kind, ExchangeError::Failed) << what;
        EXPECT_EQ(model, original) << what;
    }
    // The detail names the line that holds the fault, counted from 1.
    const std::vector<std::uint8_t> comma = Edited(good, "Y: 1.2500000000", "Y: 1,25");
    const std::string before = Text(comma).substr(0, Text(comma).find("Y: 1,25"));
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    CarModel refused = original;
    const ExchangeStatus failure = InsertPartText(refused, comma);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->detail.rfind("line " + std::to_string(line) + ": ", 0), 0u) << failure->detail;

    // Files need not carry the date and credit lines.
    CarModel model = original;
    EXPECT_FALSE(InsertPartText(model, Bytes(text.substr(0, text.find("End of triangles") + 16))));
}

TEST(PartFileExtract, RefusesPartsTheModelDoesNotHoldAndWritesAtomically)
{
    TempDir dir;
    CarModel model = HandModel();
    const std::string path = dir.File("door.TXT");
    ASSERT_FALSE(ExtractPart(model, 1, path, PartFileFormatFor(path), "today"));
    EXPECT_EQ(ReadBytes(path), Edited(TextOf(model, 1), "1/2/2024 10:00:00", "today"));
    const std::string bin = dir.File("door.prt");
    EXPECT_EQ(PartFileFormatFor(bin), PartFileFormat::Binary);
    EXPECT_EQ(PartFileFormatFor(dir.File("door.txt")), PartFileFormat::Text);

    for (int part : {-1, 2, 64}) {
        const ExchangeStatus failure = ExtractPart(model, part, path, PartFileFormat::Binary);
        ASSERT_TRUE(failure) << part;
        EXPECT_EQ(failure->code, 9);
    }
    model.Header.PartNumTriangles[1] = 5; // reaches past the triangle table
    EXPECT_TRUE(ExtractPart(model, 1, path, PartFileFormat::Text, "today"));
    EXPECT_EQ(ReadBytes(path), Edited(TextOf(HandModel(), 1), "1/2/2024 10:00:00", "today"));

    const ExchangeStatus noFolder = ExtractPart(HandModel(), 0, dir.File("none/x.PRT"), PartFileFormat::Binary);
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->code, 76);
}
