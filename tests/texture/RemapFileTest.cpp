// The remap data file: its layout, the round trip, and the files Load
// refuses without changing anything.

#include "RandomModel.h"
#include "RemapFile.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace mobrix;
using namespace testing_support;
using ::testing::HasSubstr;

namespace {

CarModel ModelWithTriangles(int triangles, std::uint32_t seed)
{
    CarModel m = RandomModel(seed, {.vertices = 20, .triangles = triangles, .parts = 2, .dummies = 0});
    ResetSelection(m);
    for (std::size_t t = 0; t < m.TriState.size(); ++t) {
        const auto i = static_cast<std::int16_t>(t);
        m.TriState[t] = {static_cast<std::int16_t>(-(i % 2)), static_cast<std::int16_t>(-(i % 3 == 0)), 0,
                         static_cast<std::int16_t>(-1), static_cast<std::int16_t>(i % 7)};
    }
    return m;
}

RemapSections EditedSections()
{
    RemapSections s = StartupRemapSections();
    s[0].GroupName = std::string(300, 'x') + "\xE9";
    s[2].GroupName.clear();
    s[4] = {"Back", -0.5f, 2.0f, 0.125f, 1e-3f, 2, 2, -1};
    s[15] = {"spare", 0.25f, 0.5f, 0.75f, 1.0f, 9, -3, 5};
    return s;
}

} // namespace

TEST(RemapFile, PathReplacesTheExtensionUnlessRemapDataLiesAtTheOlderName)
{
    EXPECT_EQ(RemapDataPath("/cars/CAR.FCE"), "/cars/CAR.UV");
    EXPECT_EQ(RemapDataPath("/cars.old/car"), "/cars.old/car.UV");
    EXPECT_EQ(RemapDataPath("/cars/.fce"), "/cars/.fce.UV");
    EXPECT_EQ(RemapDataPath(""), "");

    // The older rule drops the name's last three characters. Its file is
    // taken when it holds remap data (for any model), never when it holds
    // something else.
    TempDir dir;
    const std::string truck = dir.File("TRUCK"), fce4 = dir.File("car.fce4");
    ASSERT_FALSE(SaveRemapData(ModelWithTriangles(5, 1), StartupRemapSections(), dir.File("TRUV")));
    WriteBytes(dir.File("car.fUV"), std::vector<std::uint8_t>(50, 0));
    EXPECT_EQ(RemapDataPath(truck), dir.File("TRUV"));
    EXPECT_EQ(RemapDataPath(fce4), dir.File("car.UV"));
    EXPECT_EQ(RemapDataPath(dir.File("ab")), dir.File("ab.UV"));
}

TEST(RemapFile, SaveAndLoadRoundTripTheTriStateTableAndAllSixteenSections)
{
    TempDir dir;
    const CarModel model = ModelWithTriangles(12, 3);
    const RemapSections sections = EditedSections();
    const std::string path = dir.File("car.UV");
    ASSERT_FALSE(SaveRemapData(model, sections, path));

    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::size_t recordBytes = 0;
    for (const RemapSection& s : sections)
        recordBytes += 2 + s.GroupName.size() + 22;
    ASSERT_EQ(bytes.size(), 120 + 7 + recordBytes);
    EXPECT_EQ(std::memcmp(bytes.data() + 120, "MAPDATA", 7), 0);
    EXPECT_EQ(bytes[127] | bytes[128] << 8, 301); // first name's length
    EXPECT_EQ(bytes[18] | bytes[19] << 8, 1);      // RemapGroup of triangle 1

    CarModel loaded = ModelWithTriangles(12, 4);
    ResetSelection(loaded);
    RemapSections table = StartupRemapSections();
    ASSERT_FALSE(LoadRemapData(loaded, table, path));
    EXPECT_EQ(loaded.TriState, model.TriState);
    EXPECT_EQ(table, sections);
}

TEST(RemapFile, LoadRefusesFilesThatDoNotFitAndChangesNothing)
{
    TempDir dir;
    const CarModel model = ModelWithTriangles(10, 5);
    const std::string longer = dir.File("longer.UV");
    ASSERT_FALSE(SaveRemapData(ModelWithTriangles(11, 6), EditedSections(), longer));
    const std::string cut = dir.File("cut.UV");
    std::vector<std::uint8_t> bytes = EncodeRemapData(model, EditedSections());
    bytes.pop_back();
    WriteBytes(cut, bytes);

    CarModel target = model;
    ResetSelection(target);
    const CarModel before = target;
    RemapSections sections = StartupRemapSections();

    const auto other = LoadRemapData(target, sections, longer);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->kind, RemapFileError::OtherModel);
    EXPECT_EQ(RemapFileFailureMessage(*other),
              "This remap data file was written for a model with 11 triangles, but the current model has 10 "
              "triangles. Nothing was loaded.");

    const auto damaged = LoadRemapData(target, sections, cut);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->kind, RemapFileError::Damaged);
    EXPECT_THAT(RemapFileFailureMessage(*damaged), HasSubstr("incomplete or damaged"));

    const auto missing = LoadRemapData(target, sections, dir.File("none.UV"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, RemapFileError::Missing);

    EXPECT_EQ(target, before);
    EXPECT_EQ(sections, StartupRemapSections());
}

TEST(RemapFile, ATableWithoutSectionsKeepsTheSectionsAndUnknownGroupsBecomeZero)
{
    TempDir dir;
    CarModel model = ModelWithTriangles(3, 7);
    model.TriState[1].RemapGroup = 7;
    model.TriState[2].RemapGroup = -2;
    std::vector<std::uint8_t> bytes = EncodeRemapData(model, EditedSections());
    bytes.resize(30);
    const std::string path = dir.File("table.UV");
    WriteBytes(path, bytes);

    CarModel target = model;
    ResetSelection(target);
    RemapSections sections = StartupRemapSections();
    ASSERT_FALSE(LoadRemapData(target, sections, path));
    EXPECT_EQ(sections, StartupRemapSections());
    EXPECT_EQ(target.TriState[0], model.TriState[0]);
    EXPECT_EQ(target.TriState[1].RemapGroup, 0);
    EXPECT_EQ(target.TriState[2].RemapGroup, 0);
    EXPECT_EQ(target.TriState[2].Selected, model.TriState[2].Selected);
}
