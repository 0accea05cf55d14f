// The document workflow through the real window: start-up, Open in both
// variants, every refusal with its exact text, Save and Save As in either
// variant, New, the recent list with Mobrix.ini, closing, and opening from
// the command line.

#include "AppFixture.h"
#include "dialogs/FileInf.h"
#include "FileInfoReport.h"
#include "PartsDummies.h"
#include "VariantConversion.h"

#include <gmock/gmock.h>

#include <QMenu>

#include <filesystem>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

const QString kNotNfs4 = "Not an NFSIV File!";

std::string ReadText(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool HasNfs4MagicAt(const std::string& path)
{
    return HasNfs4Magic(ReadBytes(path));
}

class Workflow : public AppTest {};

TEST_F(Workflow, StartsWithoutModelAndWithTheEditingMenusDisabled)
{
    {
        const std::string ini = "[recent]\r\n/cars/a&b.fce 1\r\n/cars/two.fce 0\r\n\r\n";
        WriteBytes(iniPath, std::vector<std::uint8_t>(ini.begin(), ini.end()));
    }
    Start();
    EXPECT_FALSE(Action("mnuSave")->isEnabled());
    EXPECT_FALSE(Action("mnuSaveAs")->isEnabled());
    EXPECT_FALSE(Widget<QMenu>("mnuView")->menuAction()->isEnabled());
    EXPECT_TRUE(Action("mnuNew")->isEnabled());
    EXPECT_TRUE(Action("mnuOpen")->isEnabled());
    EXPECT_FALSE(Widget("ToolWindow")->isEnabled());
    EXPECT_FALSE(Widget("ObjWindow")->isEnabled());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(Widget(QString("VertType%1").arg(i))->isEnabled());
    // Only menus whose commands exist are in the menu bar.
    QStringList menus;
    for (QAction* a : form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Tools", "&Parts", "&Help"}));
    EXPECT_FALSE(Widget<QMenu>("mnuEdit")->menuAction()->isEnabled());
    EXPECT_FALSE(Widget<QMenu>("mnuTools")->menuAction()->isEnabled());

    const std::vector<QAction*> quick = VisibleQuickLoads();
    ASSERT_EQ(quick.size(), 2u);
    EXPECT_EQ(quick[0]->text(), "&1. /cars/a&&b.fce");
    EXPECT_EQ(quick[1]->text(), "&2. /cars/two.fce");
}

TEST_F(Workflow, OpenReadsTheChosenVariantAndFillsTheWindow)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const FileDialogRequest& request = dialogs.Shown().front().file;
    EXPECT_EQ(request.mode, FileDialogMode::Open);
    EXPECT_EQ(request.initialName, "*.FCE");
    EXPECT_EQ(request.filters,
              (QStringList{"FCE files|*.fce", "NFSIII FCE File|*.FCE", "NFSIV FCE File|*.FCE",
                           "Car archives|*.viv"}));
    EXPECT_EQ(request.defaultExtension, "FCE");

    const CarModel& m = form->Model();
    EXPECT_EQ(m.FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(m.FileName, nfs3Path);
    EXPECT_EQ(m.CurrentPart, 0);
    EXPECT_TRUE(Action("mnuSave")->isEnabled());
    EXPECT_TRUE(Action("mnuSaveAs")->isEnabled());
    EXPECT_TRUE(Widget("ToolWindow")->isEnabled());
    EXPECT_FALSE(Widget("VertType0")->isEnabled());

    auto* info = Widget<QListWidget>("FileInfo");
    EXPECT_EQ(info->item(0)->text(), QString::fromStdString("File information for '" + nfs3Path + "'"));
    EXPECT_EQ(info->count(), static_cast<int>(FileInfoReport(m, nfs3Path).size()));
    QStringList names;
    for (const std::string& n : PartListNames(m))
        names << QString::fromStdString(n);
    EXPECT_EQ(PartListTexts(), names);
    EXPECT_EQ(Widget<QComboBox>("DummyList")->count(), m.Header.NumDummies);
    EXPECT_EQ(Rows("VertList"), m.Header.PartNumVertices[0]);
    EXPECT_EQ(Rows("TriList"), m.Header.PartNumTriangles[0]);
    EXPECT_EQ(Widget<QListView>("VertList")->currentIndex().row(), 0);
    EXPECT_EQ(form->Document().RecentFiles[0], nfs3Path + " 0");

    // The current part is drawn: one of its vertices is black in view 0.
    const views::ViewSurface& xy = form->Surfaces()[views::ViewXY];
    const views::PixelMapping map(form->Views().State.Scale[views::ViewXY], xy.canvas.width(), xy.canvas.height());
    const std::size_t v = static_cast<std::size_t>(m.Triangles[0].I1 + m.Header.PartFirstVertex[0]);
    const Vec3 a{m.Vertices[v].X + m.Header.PartPos[0].X, m.Vertices[v].Y + m.Header.PartPos[0].Y, 0};
    EXPECT_EQ(xy.canvas.pixel(map.PixelX(a.X), map.PixelY(a.Y)), qRgb(0, 0, 0));

    Open(nfs4Path, kOpenNfs4);
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Widget(QString("VertType%1").arg(i))->isEnabled());
        EXPECT_EQ(Widget(QString("VertType%1").arg(i))->font().bold(), i == 0);
    }
    EXPECT_EQ(info->item(0)->text(), QString::fromStdString("File information for '" + nfs4Path + "'"))
        << "Open clears the list first";
    EXPECT_EQ(form->Document().RecentFiles[0], nfs4Path + " 1");
    EXPECT_EQ(form->Document().RecentFiles[1], nfs3Path + " 0");
}

TEST_F(Workflow, OpenRefusalsShowTheirMessagesAndKeepTheModel)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const CarModel before = form->Model();

    dialogs.Ok();
    Open(dir.File("missing.fce"), kOpenNfs3);
    ExpectMessage("Error!", "File not found", MessageIcon::Exclamation);

    // An NFSIII file is not an NFSIV file.
    dialogs.Ok();
    Open(nfs3Path, kOpenNfs4);
    ExpectMessage("Error in file format", kNotNfs4, MessageIcon::None);
    EXPECT_EQ(form->Model(), before);
    EXPECT_EQ(form->Model().FileName, nfs4Path);

    // An absurd count, and a block past the end of the file.
    std::vector<std::uint8_t> bytes = ReadBytes(nfs3Path);
    bytes[0xF8] = 0x41; // NumParts 65
    WriteBytes(dir.File("absurd.fce"), bytes);
    dialogs.Ok();
    Open(dir.File("absurd.fce"), kOpenNfs3);
    ExpectMessage("Error in file format", "Not an NFSIII File!", MessageIcon::None);
    EXPECT_EQ(form->Model(), before) << "the model the user had is kept";

    bytes = ReadBytes(nfs3Path);
    bytes[0x10] = 0x00;
    bytes[0x11] = 0x00;
    bytes[0x12] = 0x10; // vertices far past the end
    WriteBytes(dir.File("corrupt.fce"), bytes);
    dialogs.Ok();
    Open(dir.File("corrupt.fce"), kOpenNfs3);
    ExpectMessage("Error in file format", "This file appears to contain corrupted data.", MessageIcon::None);

    // A folder is not a file.
    std::filesystem::create_directory(dir.File("folder.fce"));
    const int shownBefore = static_cast<int>(dialogs.Shown().size());
    dialogs.Ok();
    Open(dir.File("folder.fce"), kOpenNfs3);
    ExpectMessage("Error!", "File not found", MessageIcon::Exclamation);
    EXPECT_EQ(static_cast<int>(dialogs.Shown().size()), shownBefore + 2);

    // Cancelling the dialog changes nothing.
    dialogs.Cancel();
    Trigger("mnuOpen");
    EXPECT_EQ(form->Model(), before);
    EXPECT_EQ(form->Document().RecentFiles[0], nfs4Path + " 1");
    EXPECT_EQ(form->Document().RecentFiles[1], "") << "refused files do not join the recent list";
}

TEST_F(Workflow, SaveAsInTheOtherVariantThenSaveKeepsThatVariant)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const std::string asNfs4 = dir.File("as4.fce");
    dialogs.Choose(QString::fromStdString(asNfs4), 2);
    Trigger("mnuSaveAs");
    EXPECT_EQ(dialogs.Last().file.mode, FileDialogMode::Save);
    EXPECT_TRUE(HasNfs4MagicAt(asNfs4));
    EXPECT_EQ(form->Model().FileName, asNfs4);
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    EXPECT_TRUE(Widget("VertType0")->isEnabled());
    EXPECT_EQ(form->Document().RecentFiles[1], "") << "saving does not change the recent list";

    // A change, then "&Save": the file stays an NFSIV file and holds it.
    dialogs.Type("Wing");
    Click("AddPart");
    Trigger("mnuSave");
    ASSERT_TRUE(HasNfs4MagicAt(asNfs4));
    CarModel reread;
    ASSERT_FALSE(LoadFCE4(reread, asNfs4));
    EXPECT_EQ(reread.Header.NumParts, form->Model().Header.NumParts);
    EXPECT_EQ(ListedName(reread.Header.PartNames[static_cast<std::size_t>(reread.Header.NumParts - 1)]), "Wing");
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());

    // And back: NFSIV saved as NFSIII, then "&Save" writes NFSIII. The
    // dialog offers the model's own variant first, and saving NFSIV data as
    // NFSIII asks before anything is written.
    const std::string asNfs3 = dir.File("as3.fce");
    dialogs.Choose(QString::fromStdString(asNfs3), 1);
    dialogs.No();
    Trigger("mnuSaveAs");
    EXPECT_EQ(dialogs.Shown()[dialogs.Shown().size() - 2].file.selectedFilter, 2);
    EXPECT_EQ(dialogs.Last().message.buttons, MessageButtons::YesNo);
    EXPECT_FALSE(std::filesystem::exists(asNfs3)) << "No leaves the disk alone";
    dialogs.Choose(QString::fromStdString(asNfs3), 1);
    dialogs.Yes();
    Trigger("mnuSaveAs");
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4) << "the model still holds its three vertex sets";
    EXPECT_FALSE(Widget("VertType0")->isEnabled());
    Trigger("mnuSave");
    EXPECT_FALSE(HasNfs4MagicAt(asNfs3));
    ASSERT_FALSE(LoadFCE(reread, asNfs3));
    EXPECT_EQ(reread.Header.NumParts, form->Model().Header.NumParts);
}

TEST_F(Workflow, AnNfsivModelSavedAsNfsiiiAndBackKeepsItsDamagedSet)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const CarModel opened = form->Model();
    ASSERT_NE(opened.DamagedVerts, opened.NormalVerts);
    Click("VertType2"); // edit the damaged set
    const std::string asNfs3 = dir.File("copy3.fce"), back = dir.File("back4.fce");
    dialogs.Choose(QString::fromStdString(asNfs3), 1);
    dialogs.Yes();
    Trigger("mnuSaveAs");
    dialogs.Choose(QString::fromStdString(back), 2);
    Trigger("mnuSaveAs");

    CarModel reread;
    ASSERT_FALSE(LoadFCE4(reread, back));
    EXPECT_EQ(reread.DamagedVerts, opened.DamagedVerts);
    EXPECT_EQ(reread.NormalVerts, opened.NormalVerts);
    EXPECT_EQ(reread.Undamaged2Verts, opened.Undamaged2Verts);
    // The working arrays still hold the damaged set, and its button says so.
    EXPECT_TRUE(Widget<QPushButton>("VertType2")->font().bold());
    EXPECT_FALSE(Widget<QPushButton>("VertType0")->font().bold());
}

// An FCE4M car is edited as an NFSIV one is, keeps its variant in "&Save",
// and asks before another variant leaves its bytes out; the check box gives
// the parts the target's names as one undo step.
TEST_F(Workflow, AnFce4mModelKeepsItsVariantAndAsksBeforeLosingItsBytes)
{
    CarModel sample = BuildSampleCar();
    ConvertToVariant(sample, FceVariant::Fce4m);
    sample.VertReservedC[0] = {7};
    RenamePartsForVariant(sample, FceVariant::Nfs4, FceVariant::Fce4m);
    const std::string path = dir.File("car4m.fce");
    ASSERT_FALSE(SaveFCE4M(sample, path));

    Start();
    Open(path, kOpenEitherVariant);
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Fce4m);
    EXPECT_TRUE(Widget("VertType2")->isEnabled());

    const std::string asNfs4 = dir.File("as4.fce");
    dialogs.Choose(QString::fromStdString(asNfs4), 2);
    dialogs.AnswerChecking(MessageAnswer::No, true);
    Trigger("mnuSaveAs");
    EXPECT_EQ(dialogs.Shown()[dialogs.Shown().size() - 2].file.selectedFilter, 3) << "its own variant first";
    const MessageRequest question = dialogs.Last().message;
    EXPECT_EQ(question.text, "This model holds FCE4M data that an NFSIV file cannot keep: the extra byte of each "
                             "vertex.\rSave it as an NFSIV file anyway?");
    EXPECT_EQ(dialogs.Last().checkBox.text, "Give the parts their NFSIV names");
    EXPECT_EQ(question.defaultButton, MessageAnswer::No);
    EXPECT_FALSE(std::filesystem::exists(asNfs4));
    EXPECT_EQ(ListedName(form->Model().Header.PartNames[0]), ":Hbody") << "No renames nothing";

    dialogs.Choose(QString::fromStdString(asNfs4), 2);
    dialogs.AnswerChecking(MessageAnswer::Yes, true);
    Trigger("mnuSaveAs");
    CarModel reread;
    ASSERT_FALSE(LoadFCE4(reread, asNfs4));
    EXPECT_EQ(ListedName(reread.Header.PartNames[0]), ":HB");
    EXPECT_EQ(ListedName(reread.Header.PartNames[1]), ":HLFW");
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    EXPECT_TRUE(form->Model().VertReservedC.empty()) << "the model is what the file holds";
    EXPECT_TRUE(Widget("VertType2")->isEnabled());

    // Back to FCE4M without renaming: nothing is lost, the names are asked
    // about, the file is FCE4M with zero bytes, and the undo of the rename is
    // still there.
    const std::string back = dir.File("back4m.fce");
    dialogs.Choose(QString::fromStdString(back), 3);
    dialogs.AnswerChecking(MessageAnswer::Yes, false);
    Trigger("mnuSaveAs");
    EXPECT_EQ(dialogs.Last().message.text,
              "Some parts of this model have other names in an FCE4M file.\rSave it as an FCE4M file?");
    ASSERT_FALSE(LoadFCE4M(reread, back));
    EXPECT_EQ(ListedName(reread.Header.PartNames[0]), ":HB");
    EXPECT_EQ(reread.VertReservedC[0], ReservedByte{0});
    Trigger("mnuUndo");
    EXPECT_EQ(ListedName(form->Model().Header.PartNames[0]), ":Hbody");
}

TEST_F(Workflow, TheReportNamesAPathWithAccentsAsChosen)
{
    Start();
    const std::string path = dir.File("J\u00fcrgens Wagen.fce");
    std::filesystem::copy_file(nfs4Path, path);
    Open(path, kOpenNfs4);
    EXPECT_EQ(Widget<QListWidget>("FileInfo")->item(0)->text(),
              "File information for '" + QString::fromStdString(path) + "'");
}

TEST_F(Workflow, SaveWritesTheOpenedFileInItsFormat)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const std::vector<std::uint8_t> original = ReadBytes(nfs4Path);
    Trigger("mnuSave");
    EXPECT_EQ(ReadBytes(nfs4Path), original) << "an unedited NFSIV file is written back as it was";
}

TEST_F(Workflow, SaveAfterNewAsksForAFileInsteadOfOverwritingTheOpenedOne)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const std::vector<std::uint8_t> original = ReadBytes(nfs3Path);
    dialogs.Yes();
    Trigger("mnuNew");
    EXPECT_EQ(dialogs.Last().message.text, "Start new file?");
    EXPECT_EQ(dialogs.Last().message.title, "Are you sure?");
    EXPECT_EQ(dialogs.Last().message.buttons, MessageButtons::YesNo);
    EXPECT_EQ(form->Model().FileName, nfs3Path) << "New leaves the file name";
    EXPECT_TRUE(Action("mnuSave")->isEnabled()) << "and the state of Save";

    dialogs.Cancel();
    Trigger("mnuSave");
    EXPECT_EQ(dialogs.Last().kind, ShownBox::Kind::File);
    EXPECT_EQ(dialogs.Last().file.mode, FileDialogMode::Save);
    EXPECT_EQ(ReadBytes(nfs3Path), original);

    const std::string fresh = dir.File("new.fce");
    dialogs.Choose(QString::fromStdString(fresh), 1);
    Trigger("mnuSave");
    CarModel reread;
    ASSERT_FALSE(LoadFCE(reread, fresh));
    EXPECT_EQ(reread.Header.NumParts, 1);
    EXPECT_EQ(form->Model().FileName, fresh);
    EXPECT_EQ(ReadBytes(nfs3Path), original);

    // From now on Save writes the new file without asking.
    Trigger("mnuSave");
    EXPECT_EQ(dialogs.Shown().size(), 4u);
}

TEST_F(Workflow, NewMakesABlankModelWithPart1)
{
    Start();
    Trigger("mnuNew"); // no file name yet: no question
    const CarModel& m = form->Model();
    EXPECT_EQ(m.Header.NumParts, 1);
    EXPECT_EQ(m.Header.PartNames[0], StoredName("Part1"));
    EXPECT_EQ(m.Header.NumVertices, 0);
    EXPECT_EQ(m.FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(PartListTexts(), QStringList{"Part1"});
    EXPECT_FALSE(Action("mnuSave")->isEnabled());
    EXPECT_TRUE(Action("mnuSaveAs")->isEnabled());
    EXPECT_TRUE(Widget<QMenu>("mnuView")->menuAction()->isEnabled());
    EXPECT_TRUE(Widget<QMenu>("mnuTools")->menuAction()->isEnabled());
    EXPECT_TRUE(Widget("ToolWindow")->isEnabled());
    auto* info = Widget<QListWidget>("FileInfo");
    EXPECT_EQ(info->item(0)->text(), "File information for ''");
    const int lines = info->count();

    Trigger("mnuNew");
    EXPECT_EQ(info->count(), 2 * lines) << "New appends its report";

    Open(nfs4Path, kOpenNfs4);
    dialogs.No();
    Trigger("mnuNew");
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4) << "declined: nothing changes";
    EXPECT_EQ(form->Model().FileName, nfs4Path);
}

TEST_F(Workflow, FailedSaveShowsTheMessageAndKeepsTheDocument)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    dialogs.Choose(QString::fromStdString(dir.File("no/such/folder/x.fce")), 2);
    dialogs.Ok();
    Trigger("mnuSaveAs");
    const QString text = dialogs.Last().message.text;
    EXPECT_TRUE(text.startsWith("An error has occurred whilst saving the file. The error code reported was:\r"));
    EXPECT_TRUE(text.endsWith("\rThe program will attempt to continue running."));
    EXPECT_EQ(dialogs.Last().message.title, "Mobrix");
    EXPECT_EQ(form->Model().FileName, nfs3Path);
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs3);
}

TEST_F(Workflow, RecentListAndMobrixIni)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    Open(nfs4Path, kOpenNfs4);
    Open(nfs3Path, kOpenNfs3); // already listed, not the newest: unchanged
    EXPECT_EQ(form->Document().RecentFiles[0], nfs4Path + " 1");
    EXPECT_EQ(form->Document().RecentFiles[1], nfs3Path + " 0");

    std::vector<std::string> more;
    for (const char* name : {"c.fce", "d.fce", "e.fce"}) {
        more.push_back(dir.File(name));
        std::filesystem::copy_file(nfs3Path, more.back());
        Open(more.back(), kOpenNfs3);
    }
    const std::vector<QAction*> quick = VisibleQuickLoads();
    ASSERT_EQ(quick.size(), 4u);
    EXPECT_EQ(quick[0]->text(), QString::fromStdString("&1. " + more[2]));
    EXPECT_EQ(quick[3]->text(), QString::fromStdString("&4. " + nfs4Path)) << "the oldest was pushed out";

    // Quick load re-opens in the entry's format without reordering.
    quick[3]->trigger();
    EXPECT_EQ(form->Model().FileName, nfs4Path);
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    EXPECT_EQ(form->Document().RecentFiles[0], more[2] + " 0");

    // A file that went away.
    std::filesystem::remove(more[0]);
    dialogs.Ok();
    VisibleQuickLoads()[2]->trigger();
    ExpectMessage("Error loading file", "File not found!", MessageIcon::None);

    // Closing asks first; No keeps the window and writes nothing.
    dialogs.No();
    EXPECT_FALSE(form->close());
    const MessageRequest& question = dialogs.Last().message;
    EXPECT_EQ(question.title, "Exit");
    EXPECT_EQ(question.text, "Are you sure you want to quit? (Have you saved changes?)");
    EXPECT_EQ(question.icon, MessageIcon::Information);
    EXPECT_EQ(question.defaultButton, MessageAnswer::No);
    EXPECT_FALSE(std::filesystem::exists(iniPath));

    dialogs.Yes();
    Trigger("mnuExit");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadText(iniPath), "[recent]\r\n" + more[2] + " 0\r\n" + more[1] + " 0\r\n" + more[0] + " 0\r\n" +
                                     nfs4Path + " 1\r\n\r\n[settings]\r\nShowOtherParts=1\r\n\r\n");

    // The next start reads it back.
    form.reset();
    Start();
    EXPECT_EQ(VisibleQuickLoads().size(), 4u);
    EXPECT_EQ(form->Document().RecentFiles[3], nfs4Path + " 1");
}

TEST_F(Workflow, CommandLineOpensByTheFilesMagic)
{
    Start();
    form->OpenFromCommandLine(QString::fromStdString(nfs4Path));
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs4);
    EXPECT_EQ(form->Document().RecentFiles[0], nfs4Path + " 1");
    form->OpenFromCommandLine(QString::fromStdString(nfs3Path));
    EXPECT_EQ(form->Model().FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(form->Model().FileName, nfs3Path);
    dialogs.Ok();
    form->OpenFromCommandLine(QString::fromStdString(dir.File("nothing.fce")));
    ExpectMessage("Error!", "File not found", MessageIcon::Exclamation);
}

TEST_F(Workflow, FileInformationWindowListsTheReservedBlocks)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    Trigger("mnuFileInf");
    auto* window = form->findChild<FileInf*>("FileInf");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "File Information");
    const CarModel& m = form->Model();
    for (int list = 1; list <= 5; ++list)
        EXPECT_EQ(window->List(list)->model()->rowCount(), m.Header.NumVertices) << list;
    EXPECT_EQ(window->List(6)->model()->rowCount(), m.Header.NumTriangles);
    const QString first = window->List(1)->model()->index(0, 0).data().toString();
    EXPECT_EQ(first, DisplayText(FileInfoWindowLines(m).List1[0]));
    EXPECT_EQ(first.size(), 32);
    const int last = m.Header.NumTriangles - 1;
    EXPECT_EQ(window->List(6)->model()->index(last, 0).data().toString(),
              DisplayText(FileInfoWindowLines(m).List6[static_cast<std::size_t>(last)]));
    window->close();
}

TEST(DisplayText, ControlBytesBecomeVisibleSymbols)
{
    EXPECT_EQ(DisplayText(std::string("A\0B\x7f\xe9", 5)), QString("A") + QChar(0x2400) + "B" + QChar(0x2421) + QChar(0xE9));
    // Bytes that are control characters in Latin-1 still take one visible
    // place each.
    const QString high = DisplayText(std::string("\x80\x81\x9f", 3));
    EXPECT_EQ(high, QString(QChar(0x20AC)) + QChar(0xFFFD) + QChar(0x0178));
}

} // namespace
