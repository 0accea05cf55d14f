// Create Damage and Reset Damage on one part of an NFSIV model.

#include "CarModel.h"
#include "Damage.h"
#include "RandomModel.h"
#include "VertexEditor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;
using namespace testing_support;

namespace {

constexpr int kPart = 2;

CarModel Nfs4Model()
{
    return RandomModel(7, {60, 80, 4, 0, ModelOrigin::Nfs4});
}

// The model with the part's damaged positions taken from `other`, so that
// whole models can be compared outside the part.
CarModel WithDamagedPartOf(CarModel model, const CarModel& other, int part)
{
    const IndexRange range = PartVertexRange(model, part);
    for (auto i = static_cast<std::size_t>(range.begin); i < static_cast<std::size_t>(range.end); ++i)
        model.DamagedVerts[i] = other.DamagedVerts[i];
    return model;
}

} // namespace

TEST(Damage, CreateMovesEachDamagedCoordinateOfThePartWithinReachAndNothingElse)
{
    const CarModel before = Nfs4Model();
    CarModel after = before;
    DamageRandom random(1);
    ASSERT_EQ(CreateDamage(after, kPart, random), DamageStatus::Done);

    const IndexRange range = PartVertexRange(before, kPart);
    ASSERT_GT(range.size(), 0);
    int moved = 0;
    for (auto i = static_cast<std::size_t>(range.begin); i < static_cast<std::size_t>(range.end); ++i) {
        const Vec3& a = before.DamagedVerts[i];
        const Vec3& b = after.DamagedVerts[i];
        for (const auto& [from, to] : {std::pair{a.X, b.X}, {a.Y, b.Y}, {a.Z, b.Z}}) {
            const double d = double(to) - double(from);
            EXPECT_GE(d, -kDamageReach);
            EXPECT_LT(d, kDamageReach);
            moved += d != 0;
        }
    }
    EXPECT_GT(moved, range.size()) << "the coordinates really move";
    // Only the part's damaged positions changed; the undamaged set was shown.
    EXPECT_EQ(WithDamagedPartOf(after, before, kPart), before);

    // The same seed gives the same damage; the generator runs on, so a
    // second command on the same generator gives other damage.
    CarModel again = before;
    DamageRandom same(1);
    CreateDamage(again, kPart, same);
    EXPECT_EQ(again, after);
    CarModel twice = before;
    CreateDamage(twice, kPart, same);
    EXPECT_NE(twice, after);
}

TEST(Damage, RoundingToAFloatNeverLeavesTheReach)
{
    EXPECT_EQ(ScatteredCoordinate(2.0f, 0.25), 2.0f - 0.03125f);
    EXPECT_EQ(ScatteredCoordinate(0.5f, 0.0), 0.4375f);
    // Just below the top of the reach, plain rounding to nearest would land
    // on 1 + 1/16 exactly; above 2^20 a step is 1/8, and 2^20 + 1/8 - 1/16
    // would round (half to even) to 2^20, 1/8 below.
    const float top = ScatteredCoordinate(1.0f, std::nextafter(1.0, 0.0));
    EXPECT_LT(double(top) - 1.0, kDamageReach);
    EXPECT_GT(top, 1.06f);
    EXPECT_EQ(ScatteredCoordinate(1048576.125f, 0.0), 1048576.125f);
}

TEST(Damage, TheShownDamagedSetFollowsAndStartsFromTheUsersEdits)
{
    CarModel model = Nfs4Model();
    ASSERT_TRUE(SwitchVertexSet(model, VertexSet::Damaged));
    const IndexRange range = PartVertexRange(model, kPart);
    const auto first = static_cast<std::size_t>(range.begin);
    const Vec3 edited{100, 200, 300};
    model.Vertices[first] = edited; // moved in the views, not yet switched away

    DamageRandom random(5);
    ASSERT_EQ(CreateDamage(model, kPart, random), DamageStatus::Done);
    EXPECT_LT(std::abs(model.DamagedVerts[first].X - edited.X), kDamageReach);
    EXPECT_NE(model.DamagedVerts[first], edited);
    for (auto i = first; i < static_cast<std::size_t>(range.end); ++i)
        EXPECT_EQ(model.Vertices[i], model.DamagedVerts[i]) << i;
}

TEST(Damage, ResetTakesTheUndamagedPositionsAsEditedNow)
{
    CarModel model = Nfs4Model();
    DamageRandom random(3);
    ASSERT_EQ(CreateDamage(model, kPart, random), DamageStatus::Done);
    // The undamaged set is shown and the user has moved one of its vertices.
    const IndexRange range = PartVertexRange(model, kPart);
    const auto first = static_cast<std::size_t>(range.begin);
    model.Vertices[first] = Vec3{9, 9, 9};
    const CarModel before = model;

    ASSERT_EQ(ResetDamage(model, kPart), DamageStatus::Done);
    for (auto i = first; i < static_cast<std::size_t>(range.end); ++i)
        EXPECT_EQ(model.DamagedVerts[i], model.Vertices[i]) << i;
    EXPECT_EQ(model.NormalVerts[first], (Vec3{9, 9, 9}));
    // Outside the part nothing changed; the shown set only took the edit.
    CarModel expected = WithDamagedPartOf(before, model, kPart);
    expected.NormalVerts[first] = Vec3{9, 9, 9};
    EXPECT_EQ(model, expected);
}

TEST(Damage, RefusedWithoutTheNfs4SetsOrAUsablePartAndChangesNothing)
{
    CarModel nfs3 = RandomModel(7, {20, 20, 2, 0, ModelOrigin::Nfs3});
    const CarModel nfs3Before = nfs3;
    DamageRandom random(11);
    EXPECT_EQ(CreateDamage(nfs3, 0, random), DamageStatus::NoNfs4Sets);
    EXPECT_EQ(ResetDamage(nfs3, 0), DamageStatus::NoNfs4Sets);
    EXPECT_EQ(nfs3, nfs3Before);
    // No numbers were drawn for the refused command.
    EXPECT_EQ(random.Next(), DamageRandom(11).Next());

    CarModel nfs4 = Nfs4Model();
    const CarModel nfs4Before = nfs4;
    EXPECT_EQ(CreateDamage(nfs4, 4, random), DamageStatus::PartNotEditable);
    EXPECT_EQ(nfs4, nfs4Before);
    nfs4.DamagedVerts.resize(nfs4.DamagedVerts.size() - 1);
    const CarModel shortDamaged = nfs4;
    EXPECT_EQ(ResetDamage(nfs4, 3), DamageStatus::PartNotEditable);
    EXPECT_EQ(nfs4, shortDamaged);
    EXPECT_EQ(ResetDamage(nfs4, 0), DamageStatus::Done) << "parts inside the short table still work";
}
