// The exchange commands through the real window: part files, the 3DS and X
// conversions and the 3DS export, with the scripted dialogs answering.

#include "AppFixture.h"
#include "FceFiles.h"
#include "PartFiles.h"
#include "RandomModel.h"
#include "ThreeDs.h"

#include <gmock/gmock.h>

#include <filesystem>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

class ExchangeWindow : public AppTest {
protected:
    QString File(const std::string& name) const { return QString::fromStdString(dir.File(name)); }

    // A 3DS file of the sample car: one object per part.
    std::string Sample3ds()
    {
        std::vector<std::uint8_t> bytes;
        EXPECT_FALSE(Encode3DS(BuildSampleCar(), bytes));
        const std::string path = dir.File("car.3ds");
        WriteBytes(path, bytes);
        return path;
    }

    std::string WriteText(const std::string& name, const std::string& text)
    {
        const std::string path = dir.File(name);
        WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
        return path;
    }

    std::string XFile(const std::string& name, const std::string& faces)
    {
        return WriteText(name, "xof 0302txt 0064\nMesh {\n4;\n0.0;0.0;0.0;,\n1.0;0.0;0.0;,\n0.0;1.0;0.0;,\n"
                               "0.0;0.0;1.0;;\n" +
                                   faces + "}\n");
    }
};

} // namespace

TEST_F(ExchangeWindow, MenusAreEnabledAsTheDocumentAllows)
{
    Start();
    EXPECT_TRUE(Action("mnuConv3DS")->isEnabled());
    EXPECT_TRUE(Action("mnuConv3DSPRT")->isEnabled());
    EXPECT_TRUE(Action("mnuConvX")->isEnabled());
    EXPECT_FALSE(Action("mnuEx3DS")->isEnabled());
    EXPECT_FALSE(Widget<QMenu>("mnuParts")->menuAction()->isEnabled());
    Open(nfs3Path, kOpenNfs3);
    EXPECT_TRUE(Action("mnuEx3DS")->isEnabled());
    EXPECT_TRUE(Widget<QMenu>("mnuParts")->menuAction()->isEnabled());
}

TEST_F(ExchangeWindow, ExtractAndInsertPartsInBothForms)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    dialogs.Choose(File("body.prt"), 1);
    Trigger("mnuEPart");
    const FileDialogRequest& request = dialogs.Last().file;
    EXPECT_EQ(request.mode, FileDialogMode::Save);
    EXPECT_EQ(request.initialName, "*.PRT");
    EXPECT_EQ(request.filters, (QStringList{"NFSIII Mobrix Part files|*.PRT", "ASCII Text File|*.TXT"}));
    std::vector<std::uint8_t> expected;
    ASSERT_FALSE(EncodePartBinary(form->Model(), 0, expected));
    EXPECT_EQ(ReadBytes(dir.File("body.prt")), expected);

    dialogs.Choose(File("body.txt"), 2);
    Trigger("mnuEPart");
    const std::vector<std::uint8_t> text = ReadBytes(dir.File("body.txt"));
    EXPECT_EQ(std::string(text.begin(), text.begin() + 25), "NFSIII Mobrix Part File\r\n");

    const int parts = form->Model().Header.NumParts;
    const int vertices = form->Model().Header.NumVertices;
    dialogs.Choose(File("body.prt"), 1);
    Trigger("mnuIPart");
    EXPECT_EQ(dialogs.Last().file.filters, (QStringList{"Mobrix Part files|*.PRT", "ASCII Text File|*.TXT"}));
    EXPECT_EQ(form->Model().Header.NumParts, parts + 1);
    EXPECT_EQ(PartListTexts().size(), parts + 1);
    EXPECT_EQ(PartListTexts().back(), ":HB");
    EXPECT_EQ(form->Model().CurrentPart, 0) << "the current part does not change";

    dialogs.Choose(File("body.txt"), 2);
    Trigger("mnuIPart");
    EXPECT_EQ(form->Model().Header.NumParts, parts + 2);
    EXPECT_EQ(form->Model().Header.NumVertices, vertices + 2 * form->Model().Header.PartNumVertices[0]);
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());

    dialogs.Choose(File("missing.prt"), 1);
    dialogs.Ok();
    Trigger("mnuIPart");
    ExpectMessage("Error!", "File not found", MessageIcon::Exclamation);
    EXPECT_EQ(form->Model().Header.NumParts, parts + 2);
}

TEST_F(ExchangeWindow, InsertingIntoAFullModelIsRefusedBeforeAnyDialog)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    for (int i = form->Model().Header.NumParts; i < 15; ++i) {
        dialogs.Type(QString("extra%1").arg(i));
        Click("AddPart");
    }
    ASSERT_EQ(form->Model().Header.NumParts, 15);
    dialogs.Forget();
    dialogs.Ok();
    Trigger("mnuIPart");
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    ExpectMessage("Error!", "No more parts allowed! (max. 15)", MessageIcon::Critical);
}

TEST_F(ExchangeWindow, InsertingAPartFileWithABadHeaderChangesNothing)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const CarModel before = form->Model();
    dialogs.Choose(QString::fromStdString(WriteText("bad.txt", "NFSIII Mobrix Part Filf\r\n")), 2);
    dialogs.Ok();
    Trigger("mnuIPart");
    ExpectMessage("Error!", "Not sure if this is a NFSIII Mobrix part file. (Invalid header)", MessageIcon::Critical);
    EXPECT_EQ(form->Model(), before);
}

TEST_F(ExchangeWindow, Convert3dsReplacesTheModelAndSaveAsksForAFile)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const std::string path = Sample3ds();
    dialogs.Choose(QString::fromStdString(path), 1);
    Trigger("mnuConv3DS");
    EXPECT_EQ(dialogs.Last().file.initialName, "*.3DS");
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::From3ds);
    EXPECT_EQ(PartListTexts(), (QStringList{":HB", ":HLFW", ":HRFW", ":HLRW", ":HRRW"}));
    EXPECT_EQ(Widget<QListWidget>("FileInfo")->item(0)->text(),
              "File information for '" + QString::fromStdString(path) + "'");
    EXPECT_FALSE(Widget("VertType0")->isEnabled());
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());

    // The converted model has no FCE file of its own: Save asks for one and
    // leaves the file opened before alone.
    const std::vector<std::uint8_t> opened = ReadBytes(nfs4Path);
    dialogs.Cancel();
    Trigger("mnuSave");
    EXPECT_EQ(dialogs.Last().kind, ShownBox::Kind::File);
    EXPECT_EQ(ReadBytes(nfs4Path), opened);
}

TEST_F(ExchangeWindow, SavingAConvertedModelAsNfsiiiListsOnlyThePartsItKeeps)
{
    Start();
    std::vector<std::uint8_t> bytes;
    ASSERT_FALSE(Encode3DS(RandomModel(7, {.vertices = 200, .triangles = 200, .parts = 20}), bytes));
    const std::string path = dir.File("many.3ds");
    WriteBytes(path, bytes);
    dialogs.Choose(QString::fromStdString(path), 1);
    Trigger("mnuConv3DS");
    ASSERT_EQ(PartListTexts().size(), 20);

    dialogs.Choose(File("many.fce"), 1);
    Trigger("mnuSaveAs");
    EXPECT_EQ(form->Model().Header.NumParts, 16);
    EXPECT_EQ(PartListTexts().size(), 16) << "parts the saved model no longer has stay listed";
    EXPECT_EQ(form->Model().CurrentPart, 0);
}

TEST_F(ExchangeWindow, RefusedConversionsKeepTheModel)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const CarModel before = form->Model();
    dialogs.Choose(QString::fromStdString(WriteText("broken.3ds", "MM\x10\0\0\0not a 3ds")), 1);
    dialogs.Ok();
    Trigger("mnuConv3DS");
    ASSERT_EQ(dialogs.Last().kind, ShownBox::Kind::Message);
    EXPECT_TRUE(dialogs.Last().message.text.startsWith(
        "An error has occurred during the loading process. The error code reported was:\r"));
    EXPECT_EQ(form->Model(), before);

    dialogs.Choose(QString::fromStdString(XFile("quad.x", "2;\n3;0,1,2;,\n4;0,1,2,3;;\n")), 1);
    dialogs.Ok();
    Trigger("mnuConvX");
    ExpectMessage("Load error", "Error - only 3-sided polygons allowed - error on polygon: 1", MessageIcon::None);
    EXPECT_EQ(form->Model(), before);
    EXPECT_EQ(PartListTexts().size(), before.Header.NumParts);
}

TEST_F(ExchangeWindow, ConvertXMakesOnePartAndNeverOverwritesTheOpenedFile)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const std::vector<std::uint8_t> opened = ReadBytes(nfs3Path);
    dialogs.Choose(QString::fromStdString(XFile("tetra.x", "2;\n3;0,1,2;,\n3;0,2,3;;\n")), 1);
    dialogs.Ok();
    Trigger("mnuConvX");
    EXPECT_EQ(dialogs.Shown()[dialogs.Shown().size() - 2].file.filters, (QStringList{"*.X|*.X"}));
    ExpectMessage("Mobrix", "Finished loading 'X' file. Will now save to disk as FCE (hopefully)",
                  MessageIcon::None);
    EXPECT_EQ(PartListTexts(), (QStringList{"tetra"}));
    EXPECT_EQ(form->Model().Header.NumVertices, 4);
    EXPECT_EQ(form->Model().Header.NumTriangles, 2);
    EXPECT_EQ(Rows("VertList"), 4);
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());

    dialogs.Cancel();
    Trigger("mnuSave");
    EXPECT_EQ(dialogs.Last().kind, ShownBox::Kind::File);
    EXPECT_EQ(ReadBytes(nfs3Path), opened);
}

TEST_F(ExchangeWindow, Export3dsAndConvert3dsToPartFiles)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    dialogs.Choose(File("out.3ds"), 1);
    Trigger("mnuEx3DS");
    const FileDialogRequest& request = dialogs.Last().file;
    EXPECT_EQ(request.title, "Export");
    EXPECT_EQ(request.defaultExtension, "3DS");
    std::vector<std::uint8_t> expected;
    ASSERT_FALSE(Encode3DS(form->Model(), expected));
    EXPECT_EQ(ReadBytes(dir.File("out.3ds")), expected);

    // Every object becomes a part file beside the 3DS file; the model stays.
    std::filesystem::create_directory(dir.File("parts"));
    std::filesystem::copy_file(dir.File("out.3ds"), dir.File("parts/out.3ds"));
    const CarModel before = form->Model();
    dialogs.Choose(File("parts/out.3ds"), 1);
    Trigger("mnuConv3DSPRT");
    for (const char* object : {":HB", ":HLFW", ":HRFW", ":HLRW", ":HRRW"})
        EXPECT_TRUE(std::filesystem::exists(dir.File("parts/" + PartFileNameForObject(object)))) << object;
    EXPECT_EQ(form->Model(), before);
}

TEST_F(ExchangeWindow, GltfExportAndImportGiveBackTheModelAndRefuseBrokenFiles)
{
    Start();
    EXPECT_FALSE(Action("mnuExGltf")->isEnabled());
    Open(nfs4Path, kOpenNfs4);
    ASSERT_TRUE(Action("mnuExGltf")->isEnabled());
    const QString glb = File("car.glb");
    dialogs.Choose(glb, 1);
    Trigger("mnuExGltf");
    EXPECT_EQ(dialogs.Last().file.defaultExtension, "glb");
    ASSERT_TRUE(std::filesystem::exists(glb.toStdString()));

    // Import replaces the model in one step: a new history, nothing to undo.
    Trigger("mnuMirrorX"); // an edit the import must not leave undoable
    ASSERT_TRUE(Action("mnuUndo")->isEnabled());
    dialogs.Choose(glb, 1);
    Trigger("mnuImpGltf");
    EXPECT_FALSE(Action("mnuUndo")->isEnabled());
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    EXPECT_EQ(PartListTexts(), (QStringList{":HB", ":HLFW", ":HRFW", ":HLRW", ":HRRW"}));
    CarModel imported = form->Model();
    EXPECT_EQ(EncodeFCE4(imported).bytes, ReadBytes(nfs4Path));

    const CarModel before = form->Model();
    dialogs.Choose(QString::fromStdString(WriteText("broken.gltf", R"({"asset": {"version": "2.0"},
        "meshes": [{"primitives": [{"attributes": {"POSITION": 7}}]}], "nodes": [{"mesh": 0}]})")), 1);
    dialogs.Ok();
    Trigger("mnuImpGltf");
    ASSERT_EQ(dialogs.Last().kind, ShownBox::Kind::Message);
    EXPECT_TRUE(dialogs.Last().message.text.startsWith("An error has occurred during the loading process."));
    EXPECT_EQ(form->Model(), before);
}
