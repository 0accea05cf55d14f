// Trimlet as a user meets it, under a private X server: the start-up and its
// log, the refusals, picking and re-flagging faces (read back from the
// pixels and the part files), the normal generators, fusing, saving, the
// keys and the mouse.

#include "FceStore.h"
#include "GlobeWindow.h"
#include "PartFile.h"
#include "StartupWindow.h"
#include "TempFolder.h"
#include "TrimletApp.h"

#include "CarModel.h"
#include "FceFiles.h"
#include "RawFce.h"
#include "TestCars.h"
#include "TestFiles.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QWheelEvent>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace trimlet_testing;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

class ScriptedDialogs : public trimlet::TrimletDialogs {
public:
    struct Box {
        QString text;
        QString title;
        Icon icon;
    };
    void Message(const QString& text, const QString& title, Icon icon) override
    {
        boxes.push_back({text, title, icon});
    }
    std::optional<QString> OpenFceFile() override
    {
        ++fileDialogs;
        return answer;
    }
    std::vector<Box> boxes;
    std::optional<QString> answer;
    int fileDialogs = 0;
};

// A square of side 4 facing the camera at the model's centre: face 0 is its
// lower right half (flags 0x0C), face 1 the upper left (flags 0).
std::vector<std::uint8_t> SquareCar()
{
    return BuildNfs4File({SimplePart("Square", {0, 0, 0}, {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}},
                                     {{0, 1, 2}, {0, 2, 3}}, {0x0C, 0})});
}

// Two faces folded along the edge 0-2, placed at (1, 1, 1); vertex 4 is
// unused. The damaged set mirrors vertex 1.
CarPart FoldPart()
{
    CarPart part = SimplePart("Fold", {1, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}},
                              {{0, 1, 2}, {0, 2, 3}});
    part.sets[2][1] = {-1, 0, 0};
    return part;
}

// Five one-triangle parts in a row, named P1 to P5.
std::vector<CarPart> RowOfParts()
{
    std::vector<CarPart> parts;
    for (int p = 0; p < 5; ++p)
        parts.push_back(SimplePart(std::string("P").append(std::to_string(p + 1)), {static_cast<float>(3 * p), 0.5f, 0},
                                   {{0, 0, 0}, {1, 0, 0}, {0, 1, static_cast<float>(p)}}, {{0, 1, 2}}, {p}));
    return parts;
}

class TrimletWindow : public ::testing::Test {
protected:
    bool Start(const std::vector<std::uint8_t>& file, bool fromCommandLine = false)
    {
        Create(file, fromCommandLine);
        return trimlet->StartUp();
    }

    // Trimlet before its start-up.
    void Create(const std::vector<std::uint8_t>& file, bool fromCommandLine = false)
    {
        fs::create_directories(appFolder);
        WriteBytes(fce.string(), file);
        trimlet::TrimletSetup setup;
        setup.appFolder = appFolder;
        setup.dialogs = &dialogs;
        setup.endProgram = [this](int code) { ends.push_back(code); };
        if (fromCommandLine)
            setup.fceFile = QString::fromStdString(fce.string());
        else
            dialogs.answer = QString::fromStdString(fce.string());
        trimlet = std::make_unique<trimlet::TrimletApp>(std::move(setup));
    }

    trimlet::GlobeWindow& Window() { return *trimlet->Window(); }
    trimlet::Scene& Scene() { return Window().GetScene(); }
    trimlet::SceneView& View() { return *Window().View(); }
    fs::path Temp() const { return appFolder / "temp"; }
    RawPart PartFile(const std::string& name) const { return ReadRawPart(ReadBytes((Temp() / name).string())); }

    std::vector<std::string> LogLines() const
    {
        const auto bytes = ReadBytes((appFolder / "STARTUP.LOG").string());
        std::string text(bytes.begin(), bytes.end());
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
        return lines;
    }

    std::vector<std::string> PartListRows()
    {
        std::vector<std::string> rows;
        for (int r = 0; r < Window().PartList->count(); ++r)
            rows.push_back(Window().PartList->item(r)->text().toStdString());
        return rows;
    }

    std::vector<int> SelectedFlagRows()
    {
        std::vector<int> rows;
        for (int r = 0; r < Window().smoothing->count(); ++r) {
            if (Window().smoothing->item(r)->isSelected())
                rows.push_back(r);
        }
        return rows;
    }

    // A window position of a point of the model's plane z = 0 while the model
    // is unturned at distance d: one unit is height / d pixels.
    QPoint ScreenOf(double x, double y)
    {
        const double unit = View().height() / static_cast<double>(Scene().Distance());
        return {static_cast<int>(std::lround(View().width() / 2.0 + x * unit)),
                static_cast<int>(std::lround(View().height() / 2.0 - y * unit))};
    }

    QColor PixelAt(QPoint at) { return View().grabFramebuffer().pixelColor(at); }

    // The scene's pixel in a picture of the whole window, where the scene
    // is laid over the window's background.
    QColor WindowPixelAt(QPoint at) { return Window().grab().toImage().pixelColor(View().mapTo(&Window(), at)); }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent event(type, at, View().mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(&View(), &event);
    }

    void CtrlMoveTo(QPoint at) { Send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::ControlModifier); }

    // A click on a row, and what the window does after it.
    void ClickRow(QListWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        QCoreApplication::processEvents();
    }

    void Type(const char* keys) { QTest::keyClicks(Window().PartList, keys); }

    TempDir dir;
    fs::path appFolder = fs::path(dir.path()) / "program";
    fs::path fce = fs::path(dir.path()) / "car.fce";
    ScriptedDialogs dialogs;
    std::vector<int> ends;
    std::unique_ptr<trimlet::TrimletApp> trimlet;
};

void ExpectPoint(const Point& p, double x, double y, double z)
{
    EXPECT_NEAR(p.x, x, 1e-6);
    EXPECT_NEAR(p.y, y, 1e-6);
    EXPECT_NEAR(p.z, z, 1e-6);
}

TEST_F(TrimletWindow, ANormalStartWritesItsLogAndShowsTheFirstPart)
{
    ASSERT_TRUE(Start(BuildNfs4File(RowOfParts())));
    EXPECT_TRUE(ends.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.fileDialogs, 1);
    EXPECT_TRUE(trimlet->Running());

    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 11u) << ::testing::PrintToString(log);
    EXPECT_THAT(log[0], ::testing::MatchesRegex("Trimlet startup logfile - [0-9]{4}-[0-9]{2}-[0-9]{2} "
                                                "[0-9]{2}:[0-9]{2}:[0-9]{2}"));
    EXPECT_EQ(log[1], std::string(45, '='));
    EXPECT_EQ(log[2], "");
    EXPECT_EQ(log[3], "Creating D3D Device...");
    EXPECT_EQ(log[4], "Checking for 3D Hardware...");
    EXPECT_EQ(log[5], "Checking Software modes...");
    EXPECT_EQ(log[6], "Found " + trimlet->Device().name + ".");
    EXPECT_THAT(trimlet->Device().name, ::testing::HasSubstr("llvmpipe"));
    EXPECT_EQ(trimlet->Device().kind, trimlet::DeviceKind::SoftwareMono) << "the default setting is 0";
    EXPECT_EQ(log[7], "Setting D3D Device mode...");
    EXPECT_EQ(log[8], "Creating scene...");
    EXPECT_EQ(log[9], "Entering render loop...");
    EXPECT_EQ(log[10], "Startup complete.");
    EXPECT_THAT(trimlet->Startup()->Text().toStdString(), ::testing::HasSubstr("Startup complete."));

    EXPECT_TRUE(fs::exists(appFolder / "trimlet.ini"));
    EXPECT_TRUE(fs::exists(Temp() / "TPROJECT.PRJ"));
    EXPECT_THAT(PartListRows(), ElementsAre("P1", "P2", "P3", "P4", "P5"));
    ASSERT_EQ(Scene().Meshes().size(), 1u);
    EXPECT_EQ(Scene().Meshes()[0].fileName, "TPART1.PRT");

    auto& w = Window();
    EXPECT_EQ(w.findChild<QListWidget*>("PartList"), w.PartList);
    EXPECT_EQ(w.findChild<QListWidget*>("smoothing"), w.smoothing);
    ASSERT_EQ(w.smoothing->count(), 31);
    EXPECT_EQ(w.smoothing->item(0)->text(), "1: Don't Chrome");
    EXPECT_EQ(w.smoothing->item(3)->text(), "4: Semi-transparent");
    EXPECT_EQ(w.smoothing->item(10)->text(), "11: Broken Window");
    EXPECT_EQ(w.smoothing->item(30)->text(), "31: Unknown");
    ASSERT_EQ(w.VertType->count(), 3);
    EXPECT_EQ(w.VertType->itemText(2), "3 - Damaged");
    EXPECT_EQ(w.VertType->currentIndex(), 0);
    EXPECT_EQ(w.Picture1->text(), " NFS4 Trimlet v0.1\n S - Save FCE\n F - Fuse Selected Parts\n N - Generate "
                                  "Normals\n M - Generate Normals (2)\n Q - Show Solid\n W - Show Wireframe\n"
                                  " + / Wheel - Closer\n - / Wheel - Farther\n Home - Reset Camera");
    EXPECT_NE(w.findChild<QFrame*>("TopLine"), nullptr);
}

TEST_F(TrimletWindow, SettingOneGivesSoftwareRgbOnTheTrueColourContextOpenGlGives)
{
    fs::create_directories(appFolder);
    WriteBytes((appFolder / "trimlet.ini").string(), {'d', 'i', 's', 'p', 'l', 'a', 'y', '=', '1'});
    ASSERT_TRUE(Start(SquareCar()));
    EXPECT_EQ(trimlet->Device().kind, trimlet::DeviceKind::SoftwareRgb);
    EXPECT_EQ(LogLines()[6], "Found " + trimlet->Device().name + ".");
}

TEST_F(TrimletWindow, AFileOnTheCommandLineIsOpenedWithoutTheDialog)
{
    ASSERT_TRUE(Start(SquareCar(), true));
    EXPECT_EQ(dialogs.fileDialogs, 0);
    EXPECT_THAT(PartListRows(), ElementsAre("Square"));
}

TEST_F(TrimletWindow, CancellingTheFileDialogEndsQuietly)
{
    fs::create_directories(appFolder);
    trimlet::TrimletSetup setup{appFolder, &dialogs, [this](int code) { ends.push_back(code); }, std::nullopt};
    trimlet = std::make_unique<trimlet::TrimletApp>(std::move(setup));
    EXPECT_FALSE(trimlet->StartUp());
    EXPECT_THAT(ends, ElementsAre(0));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(LogLines().size(), 3u);
}

TEST_F(TrimletWindow, AFileWithoutTheNfs4MagicIsRefused)
{
    std::vector<std::uint8_t> bytes = SquareCar();
    bytes[1] = 0;
    EXPECT_FALSE(Start(bytes));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Not a NFSIV FCE file!");
    EXPECT_EQ(dialogs.boxes[0].title, "Error!");
    EXPECT_THAT(ends, ElementsAre(1));
    EXPECT_FALSE(fs::exists(Temp() / "TPART1.PRT"));
}

TEST_F(TrimletWindow, ADamagedModelIsReportedLoggedAndEndsTheProgram)
{
    std::vector<std::uint8_t> bytes = SquareCar();
    bytes.resize(bytes.size() - 10);
    EXPECT_FALSE(Start(bytes));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "D3D Mobrix");
    EXPECT_EQ(dialogs.boxes[0].icon, trimlet::TrimletDialogs::Icon::Critical);
    EXPECT_THAT(dialogs.boxes[0].text.toStdString(),
                ::testing::MatchesRegex("ERROR:  Application reports 'The FCE file is damaged: .*'\r\n"
                                        "SOURCE: Splitting FCE"));
    EXPECT_THAT(ends, ElementsAre(1));
    const std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_THAT(log[log.size() - 3], ::testing::MatchesRegex(".* - APP ERROR: 'The FCE file is damaged: .*'"));
    EXPECT_EQ(log[log.size() - 2], "SOURCE: Splitting FCE");
    EXPECT_EQ(log[log.size() - 1], "Execution terminated.");
}

TEST_F(TrimletWindow, AFileErrorIsReportedAsAFileErrorWhateverItsPathSays)
{
    // A model that cannot be read, in a folder whose name holds "AUTOM".
    fs::create_directories(appFolder);
    const fs::path missing = fs::path(dir.path()) / "Automotive" / "car.fce";
    trimlet::TrimletSetup setup{appFolder, &dialogs, [this](int code) { ends.push_back(code); },
                                QString::fromStdString(missing.string())};
    trimlet = std::make_unique<trimlet::TrimletApp>(std::move(setup));
    EXPECT_FALSE(trimlet->StartUp());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const std::string box = dialogs.boxes[0].text.toStdString();
    EXPECT_THAT(box, ::testing::StartsWith("ERROR:  Application reports 'Cannot read " + missing.string()));
    EXPECT_THAT(box, ::testing::EndsWith("'\r\nSOURCE: Splitting FCE"));
    const std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_THAT(log[log.size() - 3], ::testing::HasSubstr(" - APP ERROR: 'Cannot read "));
}

TEST_F(TrimletWindow, PartFilesAreCheckedWhenTheyAreLoaded)
{
    ASSERT_TRUE(Start(BuildNfs4File(RowOfParts())));
    std::vector<std::uint8_t> second = ReadBytes((Temp() / "TPART2.PRT").string());
    second[0] = 'X';
    WriteBytes((Temp() / "TPART2.PRT").string(), second);
    ClickRow(Window().PartList, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << "one click loads the parts once";
    EXPECT_EQ(dialogs.boxes.back().text, "PRT file TPART2.PRT is not a valid Mobrix Part file.");
    EXPECT_EQ(dialogs.boxes.back().icon, trimlet::TrimletDialogs::Icon::None);
    EXPECT_TRUE(ends.empty()) << "a refused part is not loaded; the program goes on";
    ASSERT_EQ(Scene().Meshes().size(), 1u);
    EXPECT_EQ(Scene().Meshes()[0].fileName, "TPART1.PRT");

    std::vector<std::uint8_t> third = ReadBytes((Temp() / "TPART3.PRT").string());
    testing_support::PutI32(third, 90 + 100 * 3 + 8, 7); // a corner outside the part
    WriteBytes((Temp() / "TPART3.PRT").string(), third);
    ClickRow(Window().PartList, 2);
    EXPECT_EQ(dialogs.boxes.back().title, "D3D Mobrix");
    EXPECT_EQ(dialogs.boxes.back().text.toStdString(),
              "ERROR:  Application reports 'PRT file TPART3.PRT is damaged: triangle 0 uses vertex 7 but the part "
              "has 3 vertices'\r\nSOURCE: Loading PRT");
    EXPECT_THAT(ends, ElementsAre(1));
    EXPECT_EQ(LogLines().back(), "Execution terminated.");
}

TEST_F(TrimletWindow, PickingAFaceShowsItsFlagsAndReFlaggingIsWrittenToItsPartFile)
{
    ASSERT_TRUE(Start(SquareCar()));
    const QPoint lowerRight = ScreenOf(1, -1); // inside face 0 (flags 0x0C)
    const QPoint upperLeft = ScreenOf(-1, 1);  // inside face 1

    // Before anything is picked, releasing over the flag list stores nothing.
    ClickRow(Window().smoothing, 0);
    EXPECT_EQ(PartFile("TPART1.PRT").triangleFlags, (std::vector<std::int32_t>{0x0C, 0}));
    Window().smoothing->clearSelection();

    const QColor before = PixelAt(lowerRight);
    EXPECT_GT(before.blue(), before.red() + 20) << "semi-transparent faces are pale blue";
    const QColor white = PixelAt(upperLeft);
    EXPECT_GT(white.red(), 100);
    EXPECT_NEAR(white.red(), white.blue(), 2);

    CtrlMoveTo(lowerRight);
    ASSERT_EQ(Scene().CurrentFace(), (trimlet::FaceRef{0, 0}));
    EXPECT_THAT(SelectedFlagRows(), ElementsAre(2, 3)) << "rows \"3: No Cull\" and \"4: Semi-transparent\"";
    const QColor halfRed = PixelAt(lowerRight);
    EXPECT_GT(halfRed.red(), 60);
    EXPECT_LT(halfRed.green(), 8);
    EXPECT_LT(halfRed.blue(), 8);
    // Half transparent faces mix into the picture, but the picture stays
    // opaque: laid over the window it looks as drawn, not tinted by what
    // lies behind the scene.
    const QColor onScreen = WindowPixelAt(lowerRight);
    EXPECT_NEAR(onScreen.red(), halfRed.red(), 3);
    EXPECT_NEAR(onScreen.green(), halfRed.green(), 3);
    EXPECT_NEAR(onScreen.blue(), halfRed.blue(), 3);

    // Unselecting "4: Semi-transparent" makes the face opaque: over the black
    // background the red doubles.
    ClickRow(Window().smoothing, 3);
    EXPECT_EQ(PartFile("TPART1.PRT").triangleFlags, (std::vector<std::int32_t>{0x04, 0}));
    const QColor red = PixelAt(lowerRight);
    EXPECT_NEAR(red.red(), 2 * halfRed.red(), 4);
    EXPECT_LT(red.green(), 8);
    EXPECT_EQ(PixelAt(upperLeft), white);

    // No rows selected stores 0.
    ClickRow(Window().smoothing, 2);
    EXPECT_TRUE(SelectedFlagRows().empty());
    EXPECT_EQ(PartFile("TPART1.PRT").triangleFlags, (std::vector<std::int32_t>{0, 0}));

    // Picking the other face gives the first its ordinary colour again.
    CtrlMoveTo(upperLeft);
    EXPECT_EQ(Scene().CurrentFace(), (trimlet::FaceRef{0, 1}));
    EXPECT_EQ(PixelAt(lowerRight), white);
    EXPECT_EQ(PixelAt(upperLeft).green(), 0);

    // Saved, the model holds the new flags.
    Type("s");
    mobrix::CarModel saved;
    ASSERT_FALSE(mobrix::ReadFCE4(ReadBytes(fce.string()), saved));
    EXPECT_EQ(saved.Triangles[0].Flags, 0);
    EXPECT_EQ(saved.Triangles[1].Flags, 0);
}

TEST_F(TrimletWindow, CtrlMovesOverTheCurrentFaceLeaveItsFlagRowsAlone)
{
    ASSERT_TRUE(Start(SquareCar()));
    CtrlMoveTo(ScreenOf(1, -1));
    ASSERT_EQ(Scene().CurrentFace(), (trimlet::FaceRef{0, 0}));
    const std::uint64_t revision = Scene().GeometryRevision();
    // A row chosen but not yet stored survives further moves over the face.
    Window().smoothing->item(0)->setSelected(true);
    CtrlMoveTo(ScreenOf(1.3, -1.1));
    CtrlMoveTo(ScreenOf(1.5, -0.8));
    EXPECT_EQ(Scene().CurrentFace(), (trimlet::FaceRef{0, 0}));
    EXPECT_THAT(SelectedFlagRows(), ElementsAre(0, 2, 3));
    EXPECT_EQ(Scene().GeometryRevision(), revision) << "nothing to send again";
}

TEST_F(TrimletWindow, KeysBeforeTheModelIsSplitDoNothing)
{
    Create(SquareCar());
    const auto original = ReadBytes(fce.string());
    EXPECT_FALSE(Window().RunKey("s"));
    EXPECT_FALSE(Window().RunKey("f"));
    EXPECT_EQ(ReadBytes(fce.string()), original) << "an empty model was saved over the file";
    ASSERT_TRUE(trimlet->StartUp());
    EXPECT_TRUE(Window().RunKey("w"));
}

TEST_F(TrimletWindow, AVertexSetChosenDuringTheStartUpIsKept)
{
    Create(BuildNfs4File({FoldPart()}));
    Window().VertType->setCurrentIndex(2);
    ASSERT_TRUE(trimlet->StartUp());
    EXPECT_EQ(Scene().VertexSet(), 2);
    ASSERT_EQ(Scene().Meshes().size(), 1u);
    // The damaged set moves vertex 1 to (-1, 0, 0), at the part's (1, 1, 1).
    const trimlet::Vec3& moved = Scene().Meshes()[0].points[1];
    ExpectPoint({moved.X, moved.Y, moved.Z}, 0, 1, 1);
}

TEST_F(TrimletWindow, TheSceneIsDrawnAgainInANewContext)
{
    ASSERT_TRUE(Start(SquareCar()));
    const QPoint inside = ScreenOf(-1, 1);
    ASSERT_GT(PixelAt(inside).red(), 100);

    // Moved into another window, the view loses its OpenGL context and gets
    // a new one.
    QWidget other;
    other.resize(Window().size());
    const QSize size = View().size();
    View().setParent(&other);
    View().resize(size);
    View().show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const std::uint64_t frames = Scene().FramesAdvanced();
    for (int i = 0; i < 100 && Scene().FramesAdvanced() == frames; ++i)
        QTest::qWait(20);
    EXPECT_GT(Scene().FramesAdvanced(), frames) << "the render loop goes on";
    EXPECT_GT(PixelAt(inside).red(), 100) << "drawn, not left blank";

    View().setParent(&Window());
}

TEST_F(TrimletWindow, NAndMWriteTheirNormalsIntoTheShownSet)
{
    ASSERT_TRUE(Start(BuildNfs4File({FoldPart()})));
    Type("n");
    RawPart part = PartFile("TPART1.PRT");
    const double r3 = std::sqrt(3.0);
    const double r6 = std::sqrt(6.0);
    ExpectPoint(part.normals[0][0], 1 / r3, 1 / r3, 1 / r3);
    ExpectPoint(part.normals[0][1], 2 / r6, 1 / r6, 1 / r6);
    ExpectPoint(part.normals[0][2], 1 / r6, 2 / r6, 1 / r6);
    ExpectPoint(part.normals[0][3], 1 / r6, 1 / r6, 2 / r6);
    ExpectPoint(part.normals[0][4], 0, 0, -1); // used by no face
    for (std::size_t set : {1u, 2u}) {
        for (const Point& n : part.normals[set])
            ExpectPoint(n, 0, 0, -1);
    }
    const trimlet::Vec3& shown = Scene().Meshes()[0].normals[1];
    ExpectPoint({shown.X, shown.Y, shown.Z}, 2 / r6, 1 / r6, 1 / r6);

    Window().VertType->setCurrentIndex(2);
    EXPECT_EQ(Scene().VertexSet(), 2);
    Type("M");
    part = PartFile("TPART1.PRT");
    const double h = std::sqrt(0.5);
    ExpectPoint(part.normals[2][0], h, 0, -h);
    ExpectPoint(part.normals[2][1], 0, 0, -1);
    ExpectPoint(part.normals[2][2], h, 0, -h);
    ExpectPoint(part.normals[2][3], 1, 0, 0);
    ExpectPoint(part.normals[0][0], 1 / r3, 1 / r3, 1 / r3); // the radial set stays
    ExpectPoint(part.sets[2][1], -1, 0, 0);
}

TEST_F(TrimletWindow, FusingTheSecondAndFourthPartsIntoTheFirstThenSaving)
{
    ASSERT_TRUE(Start(BuildNfs4File(RowOfParts())));
    // Part 1 is already selected; select parts 2 and 4 as well.
    ClickRow(Window().PartList, 1);
    ClickRow(Window().PartList, 3);
    EXPECT_EQ(Scene().Meshes().size(), 3u);
    Type("f");
    EXPECT_THAT(PartListRows(), ElementsAre("P1", "P3", "P5"));
    EXPECT_THAT(trimlet->Store().Project.PartFileNames, ElementsAre("TPART1.PRT", "TPART3.PRT", "TPART5.PRT"));
    EXPECT_FALSE(fs::exists(Temp() / "TPART2.PRT"));
    EXPECT_FALSE(fs::exists(Temp() / "TPART4.PRT"));
    EXPECT_EQ(PartFile("TPART1.PRT").vertices, 9);
    EXPECT_EQ(PartFile("TPART3.PRT").name.substr(0, 2), "P3");
    ASSERT_EQ(Scene().Meshes().size(), 1u) << "only the fused part is still selected";

    Type("s");
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::vector<std::uint8_t> saved = ReadBytes(fce.string());
    mobrix::CarModel model;
    ASSERT_FALSE(mobrix::ReadFCE4(saved, model));
    EXPECT_THAT(mobrix::CheckModel(model), ::testing::IsEmpty());
    EXPECT_EQ(model.Header.NumParts, 3);
    EXPECT_EQ(model.Header.NumVertices, 15);
    EXPECT_EQ(model.Header.NumTriangles, 5);
    EXPECT_EQ(model.Header.PartNumVertices[0], 9);
    EXPECT_EQ(mobrix::TrimmedName(model.Header.PartNames[1]).substr(0, 2), "P3");
    // The second part's last vertex (0, 1, 1) at (3, 0.5, 0) stays at (3, 1.5, 1).
    const mobrix::Vec3& v = model.NormalVerts[5];
    EXPECT_FLOAT_EQ(v.X + model.Header.PartPos[0].X, 3);
    EXPECT_FLOAT_EQ(v.Y + model.Header.PartPos[0].Y, 1.5f);
    EXPECT_FLOAT_EQ(v.Z + model.Header.PartPos[0].Z, 1);
    EXPECT_EQ(model.Triangles[1].I1, 3);
    EXPECT_EQ(model.Triangles[2].Flags, 3);
    EXPECT_TRUE(std::holds_alternative<trimlet::SplitModel>(trimlet::SplitFceBytes(saved)));
}

TEST_F(TrimletWindow, KeysAndTheMouseTurnMoveAndSwitchThePasses)
{
    ASSERT_TRUE(Start(SquareCar()));
    const QPoint inside = ScreenOf(-1, 1);
    EXPECT_GT(PixelAt(inside).red(), 100);

    Type("q");
    EXPECT_FALSE(Scene().ShowSolid);
    EXPECT_EQ(PixelAt(inside), QColor(Qt::black));
    Type("w");
    EXPECT_TRUE(Scene().ShowWireframe);
    // The square's left edge, drawn unlit in the white of face 1.
    const QImage frame = View().grabFramebuffer();
    const QPoint edge = ScreenOf(-2, 0);
    int brightest = 0;
    for (int dx = -2; dx <= 2; ++dx)
        brightest = std::max(brightest, frame.pixelColor(edge + QPoint(dx, 0)).red());
    EXPECT_EQ(brightest, 255);
    Type("QW");
    EXPECT_TRUE(Scene().ShowSolid);
    EXPECT_FALSE(Scene().ShowWireframe);

    const int start = Scene().Distance();
    Type("-");
    EXPECT_EQ(Scene().Distance(), start + 1);
    Type("++");
    EXPECT_EQ(Scene().Distance(), start - 1);
    Type("-");

    const QPoint from(200, 200);
    Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    Send(QEvent::MouseMove, from + QPoint(50, 0), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    Send(QEvent::MouseButtonRelease, from + QPoint(50, 0), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    // Fifty pixels to the right turn the model by -1 radian about its Y axis.
    EXPECT_NEAR(Scene().Orientation()(0, 0), std::cos(1.0), 1e-9);
    EXPECT_NEAR(Scene().Orientation()(0, 2), -std::sin(1.0), 1e-9);
    // A move with no button and no Ctrl does nothing.
    Send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_NEAR(Scene().Orientation()(0, 0), std::cos(1.0), 1e-9);
    EXPECT_FALSE(Scene().CurrentFace());
}

// The square fits the window when it opens; the wheel moves it as + and -
// do, closing in stops while it can still be seen, and Home undoes it all.
TEST_F(TrimletWindow, TheCameraFitsTheModelAndHomePutsItBack)
{
    ASSERT_TRUE(Start(SquareCar()));
    const int start = Scene().Distance();
    const QImage opened = View().grabFramebuffer();
    for (const QPoint corner : {ScreenOf(-1.9, 1.9), ScreenOf(1.9, -1.9)}) {
        ASSERT_TRUE(opened.rect().contains(corner));
        EXPECT_NE(opened.pixelColor(corner), QColor(Qt::black));
    }
    EXPECT_GT(ScreenOf(0, -2).y() - ScreenOf(0, 2).y(), View().height() / 2) << "the square fills the window";

    auto wheel = [&](int eighths) {
        QWheelEvent event(QPointF(100, 100), View().mapToGlobal(QPointF(100, 100)), {}, {0, eighths}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &event);
    };
    wheel(-240);
    EXPECT_EQ(Scene().Distance(), start + 2);
    wheel(120);
    EXPECT_EQ(Scene().Distance(), start + 1);

    for (int i = 0; i < 40; ++i)
        wheel(120);
    EXPECT_EQ(Scene().Distance(), Scene().NearestDistance());
    EXPECT_GT(PixelAt(ScreenOf(-0.5, 0.5)).red(), 100) << "still in front of the camera";

    const QPoint from(200, 200);
    Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    Send(QEvent::MouseMove, from + QPoint(30, 20), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QTest::keyClick(Window().PartList, Qt::Key_Home);
    EXPECT_EQ(Scene().Distance(), start);
    EXPECT_EQ(Scene().Orientation().m, trimlet::Mat3{}.m);
}

// A second Trimlet started from the same folder works in a temp folder of
// its own and leaves the first one's part files alone.
TEST_F(TrimletWindow, ASecondTrimletGetsATempFolderOfItsOwn)
{
    fs::create_directories(appFolder);
    auto first = trimlet::TempFolderLock::Acquire(appFolder);
    ASSERT_TRUE(std::holds_alternative<trimlet::TempFolderLock>(first));
    WriteBytes((Temp() / "TPART1.PRT").string(), {1, 2, 3});

    ASSERT_TRUE(Start(BuildNfs4File(RowOfParts())));
    EXPECT_EQ(trimlet->TempFolder(), appFolder / "temp2");
    EXPECT_TRUE(fs::exists(appFolder / "temp2" / "TPART5.PRT"));
    EXPECT_EQ(ReadBytes((Temp() / "TPART1.PRT").string()), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_THAT(LogLines(), ::testing::Contains("Another Trimlet is using temp; this one works in temp2."));
}

TEST_F(TrimletWindow, ResizingIsLogged)
{
    ASSERT_TRUE(Start(SquareCar()));
    const std::size_t lines = LogLines().size();
    Window().resize(Window().width() + 60, Window().height() + 40);
    // QtTest's own waiting checks report to QtTest, not to this test.
    for (int i = 0; i < 250 && LogLines().size() <= lines; ++i)
        QTest::qWait(20);
    ASSERT_GT(LogLines().size(), lines);
    EXPECT_THAT(LogLines().back(), ::testing::MatchesRegex("[0-9]{2}:[0-9]{2}:[0-9]{2} - Resizing D3D viewport\\."));
}

TEST_F(TrimletWindow, AFailedSaveIsReportedAndTheProgramGoesOn)
{
    ASSERT_TRUE(Start(SquareCar()));
    fs::remove(fce);
    fs::create_directory(fce); // something that cannot be replaced by a file
    Type("s");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "D3D Mobrix");
    EXPECT_THAT(dialogs.boxes[0].text.toStdString(), ::testing::EndsWith("\r\nSOURCE: Saving FCE"));
    EXPECT_TRUE(ends.empty());
    EXPECT_EQ(LogLines().back(), "SOURCE: Saving FCE");

    fs::remove(fce);
    Type("s");
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(ReadBytes(fce.string()).size(), 8248u + 140 * 4 + 68 * 2);
}

} // namespace
