// Car archives in the window: Open and Save of the model entry, Save As
// into an archive, and the texture that loads itself.

#include "ArchiveEntries.h"
#include "AppFixture.h"
#include "CarArchive.h"
#include "document/Document.h"
#include "Viv.h"

#include <gmock/gmock.h>

#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using ::testing::HasSubstr;

namespace {

namespace fs = std::filesystem;

constexpr int kOpenArchive = 4;
constexpr int kSaveArchive = 3;

const std::string kSampleViv = std::string(MOBRIX_SAMPLES_DIR) + "/car.viv";


class ArchiveWindow : public AppTest {
protected:
    app::Document& Doc() { return form->Doc(); }
    void RenameFirstPart(const std::string& name)
    {
        app::Change change;
        change.parts = true;
        Doc().EditHeader("Rename", change, [&](CarModel& m) {
            m.Header.PartNames[0] = MakeName(name);
            return true;
        });
    }
};

} // namespace

TEST_F(ArchiveWindow, OpensTheCarWithItsTextureAndSaveChangesOnlyTheModelEntry)
{
    const std::string archive = dir.File("car.viv");
    fs::copy_file(kSampleViv, archive);
    Start();
    Open(archive, kOpenArchive);
    EXPECT_THAT(form->windowTitle().toStdString(), HasSubstr("car.viv: car.fce"));
    EXPECT_FALSE(Doc().TexturePath().isEmpty());
    EXPECT_FALSE(PartListTexts().isEmpty());
    EXPECT_EQ(Doc().State().RecentFiles[0], archive + " 1");

    RenameFirstPart("edited");
    Trigger("mnuSave");
    const auto before = Entries(kSampleViv);
    const auto after = Entries(archive);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after[0].second, before[0].second);
    for (std::size_t i = 1; i < before.size(); ++i)
        EXPECT_EQ(after[i], before[i]) << before[i].first;
    CarModel reread;
    ASSERT_TRUE(std::holds_alternative<ArchiveModel>(LoadModelFromArchive(reread, archive, "")));
    EXPECT_EQ(TrimmedName(reread.Header.PartNames[0]), "edited");

    // Load Texture Map offers the archive's pictures first.
    Doc().SetTexturePath(QString());
    dialogs.PickItem(0);
    Trigger("mnuLoadTx");
    ASSERT_EQ(dialogs.Last().kind, ShownBox::Kind::Choice);
    EXPECT_EQ(dialogs.Last().choice.items, (QStringList{"car00.tga", "Another file..."}));
    EXPECT_FALSE(Doc().TexturePath().isEmpty());

    // Save As into a new archive: the entries of this one come along.
    const std::string copy = dir.File("copy.viv");
    dialogs.Choose(QString::fromStdString(copy), kSaveArchive);
    Trigger("mnuSaveAs");
    EXPECT_EQ(Entries(copy), Entries(archive));
    EXPECT_THAT(form->windowTitle().toStdString(), HasSubstr("copy.viv: car.fce"));
}

TEST_F(ArchiveWindow, SeveralModelsAskWhichAndAMalformedArchiveShowsTheReadersMessage)
{
    const std::vector<std::uint8_t> fce = ReadBytes(nfs4Path);
    const std::vector<VivFileView> files{{"a.fce", fce}, {"b.fce", fce}};
    const std::string two = dir.File("two.viv");
    ASSERT_FALSE(SaveViv(two, files));
    Start();
    dialogs.PickItem(1);
    Open(two, kOpenArchive);
    EXPECT_EQ(dialogs.Shown()[1].choice.items, (QStringList{"a.fce", "b.fce"}));
    EXPECT_THAT(form->windowTitle().toStdString(), HasSubstr("two.viv: b.fce"));
    EXPECT_TRUE(Doc().TexturePath().isEmpty()) << "no texture in the archive or its folder";

    std::vector<std::uint8_t> cut = ReadBytes(kSampleViv);
    cut.resize(cut.size() / 2);
    const std::string bad = dir.File("cut.viv");
    WriteBytes(bad, cut);
    dialogs.Ok();
    Open(bad, kOpenEitherVariant);
    const auto refused = LoadViv(bad);
    ExpectMessage(kFileFormatTitle, app::FromLatin1(VivFailureMessage(std::get<VivFailure>(refused))), MessageIcon::None);
    EXPECT_THAT(form->windowTitle().toStdString(), HasSubstr("two.viv: b.fce")) << "the model is kept";
}

TEST_F(ArchiveWindow, ALooseModelFindsItsTextureBesideItAndAModelWithoutOneClearsIt)
{
    const std::string folder = dir.File("car");
    fs::create_directory(folder);
    fs::copy_file(nfs4Path, folder + "/car.fce");
    const auto sample = Entries(kSampleViv);
    WriteBytes(folder + "/CAR00.TGA", sample[1].second);
    Start();
    Open(folder + "/car.fce", kOpenEitherVariant);
    EXPECT_FALSE(Doc().TexturePath().isEmpty());
    Open(nfs3Path, kOpenEitherVariant);
    EXPECT_TRUE(Doc().TexturePath().isEmpty());
}
