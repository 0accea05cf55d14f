// The committed sample cars are exactly what the generator makes, and they
// are sound models.

#include "CarModel.h"
#include "FceFiles.h"
#include "SampleCar.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {
const std::string kSamples = MOBRIX_SAMPLES_DIR;
}

TEST(SampleCar, RegeneratingGivesTheCommittedBytes)
{
    TempDir dir;
    const std::pair<FceVariant, std::string> samples[] = {
        {FceVariant::Nfs3, "sample-nfs3.fce"}, {FceVariant::Nfs4, "sample-nfs4.fce"}, {FceVariant::Fce4m, "sample-fce4m.fce"}};
    for (const auto& [variant, name] : samples) {
        CarModel model = variant == FceVariant::Fce4m ? BuildFce4mSampleCar() : BuildSampleCar();
        ASSERT_FALSE(SaveFCEAs(model, dir.File(name), variant));
        EXPECT_EQ(ReadBytes(dir.File(name)), ReadBytes(kSamples + "/" + name))
            << name << " differs from the generator's output; run `make samples`";
    }
}

TEST(SampleCar, IsASoundCarWithADentedDamagedSet)
{
    const CarModel car = BuildSampleCar();
    EXPECT_THAT(CheckModel(car), IsEmpty());
    EXPECT_EQ(car.Header.NumParts, 5);
    EXPECT_GE(car.Header.NumDummies, 2);
    EXPECT_GT(car.Header.NumPriColours, 0);
    EXPECT_EQ(car.Undamaged2Verts, car.NormalVerts);
    int dented = 0;
    for (std::size_t i = 0; i < car.NormalVerts.size(); ++i)
        dented += !(car.DamagedVerts[i] == car.NormalVerts[i]);
    EXPECT_GT(dented, 0);
    EXPECT_LT(dented, static_cast<int>(car.NormalVerts.size()) / 4);

    for (const char* name : {"/sample-nfs3.fce", "/sample-nfs4.fce", "/sample-fce4m.fce"}) {
        CarModel read;
        ASSERT_FALSE(OpenFCE(read, kSamples + name, DetectVariant(kSamples + name))) << name;
        EXPECT_THAT(CheckModel(read), IsEmpty()) << name;
        EXPECT_EQ(read.Vertices, car.Vertices) << name;
    }
}
