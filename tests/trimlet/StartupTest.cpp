// The pieces of Trimlet's start-up that need no window: the ini rule, the
// program folder, the log, the error reporter's texts and the choice of the
// 3D device.

#include "Config.h"
#include "DeviceChoice.h"
#include "ErrorReport.h"
#include "TempFolder.h"

#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace trimlet;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

TEST(Startup, EachRunningTrimletHoldsATempFolderOfItsOwn)
{
    testing_support::TempDir dir;
    auto first = TempFolderLock::Acquire(dir.path());
    ASSERT_TRUE(std::holds_alternative<TempFolderLock>(first));
    EXPECT_EQ(std::get<TempFolderLock>(first).Folder(), fs::path(dir.path()) / "temp");
    {
        auto second = TempFolderLock::Acquire(dir.path());
        ASSERT_TRUE(std::holds_alternative<TempFolderLock>(second));
        EXPECT_EQ(std::get<TempFolderLock>(second).Folder(), fs::path(dir.path()) / "temp2");
    }
    // The second has ended: its folder is free again, "temp" is not.
    auto third = TempFolderLock::Acquire(dir.path());
    ASSERT_TRUE(std::holds_alternative<TempFolderLock>(third));
    EXPECT_EQ(std::get<TempFolderLock>(third).Folder(), fs::path(dir.path()) / "temp2");
}

TEST(Ini, TheDisplayRule)
{
    EXPECT_EQ(DisplayModeFromIni(""), 0);
    EXPECT_EQ(DisplayModeFromIni(DefaultIniText()), 0);
    EXPECT_EQ(DisplayModeFromIni("DISPLAY = 2\r\n"), 2) << "capitals";
    EXPECT_EQ(DisplayModeFromIni("   Display=1   \r\n"), 1) << "blanks around the line";
    EXPECT_EQ(DisplayModeFromIni("display = 2\r\ndisplay = 1\r\n"), 1) << "the last line wins";
    EXPECT_EQ(DisplayModeFromIni("display = 1\r\n' display = 2\r\nother = 2"), 1) << "comments are ignored";
    EXPECT_EQ(DisplayModeFromIni("displaymode 2"), 2) << "only the first seven characters are compared";
    EXPECT_EQ(DisplayModeFromIni("display = 2\ndisplay = two"), 2) << "a line without a digit gives no value";
    EXPECT_EQ(DisplayModeFromIni("display = 12"), 2) << "the last character is the value";
}

TEST(Ini, AMissingFileIsCreatedWithItsDefaultTextAndRead)
{
    const std::string expected =
        "' Trimlet ini file\r\n' =================\r\n'\r\n' DISPLAY\r\n'\r\n"
        "' The display setting determines what drivers are used for Direct3D.\r\n'\r\n' Settings are:\r\n'\r\n"
        "' 2 = Use hardware (if available)\r\n' 1 = Use software in RGB (24-bit colour mode)\r\n"
        "' 0 = Use software in MONO (8-bit colour mode)\r\n'\r\n"
        "' If the selected mode isn't available, the next available is chosen.\r\n\r\ndisplay = 0\r\n";
    EXPECT_EQ(DefaultIniText(), expected);

    testing_support::TempDir dir;
    EXPECT_EQ(ReadConfig(dir.path()), 0);
    const auto bytes = testing_support::ReadBytes(dir.File("trimlet.ini"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

    testing_support::WriteBytes(dir.File("trimlet.ini"), {'D', 'I', 'S', 'P', 'L', 'A', 'Y', '=', '2'});
    EXPECT_EQ(ReadConfig(dir.path()), 2) << "an existing file is read, not replaced";
}

TEST(Startup, TheProgramFolderIsUsedOnlyWhenItIsWritable)
{
    testing_support::TempDir dir;
    const fs::path program = fs::path(dir.path()) / "bin";
    const fs::path user = fs::path(dir.path()) / "data" / "Trimlet";
    fs::create_directories(program);
    EXPECT_EQ(ResolveAppFolder(program, user), program);
    EXPECT_TRUE(FolderIsWritable(program));
    EXPECT_TRUE(fs::is_empty(program)) << "the probe leaves nothing behind";

    const fs::path missing = fs::path(dir.path()) / "no such folder";
    EXPECT_EQ(ResolveAppFolder(missing, user), user);
    EXPECT_TRUE(fs::is_directory(user));
}

TEST(Startup, TheLogIsDeletedThenWrittenLineByLine)
{
    testing_support::TempDir dir;
    const StartupLog log(fs::path(dir.path()) / "STARTUP.LOG");
    testing_support::WriteBytes(dir.File("STARTUP.LOG"), {'o', 'l', 'd'});
    log.Reset();
    EXPECT_FALSE(fs::exists(log.path()));
    log.Append("first");
    log.Append("");
    log.Append("last");
    const auto bytes = testing_support::ReadBytes(dir.File("STARTUP.LOG"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\r\n\r\nlast\r\n");
}

TEST(ErrorReporter, TheTwoDetailForms)
{
    const ErrorReportText app =
        FormatErrorReport(ErrorSource::Program, 53, "File not found", "Loading PRT", "2024-01-02 03:04:05");
    EXPECT_EQ(app.box, "ERROR:  Application reports 'File not found'\r\nSOURCE: Loading PRT");
    EXPECT_EQ(app.logLine, "2024-01-02 03:04:05 - APP ERROR: 'File not found'\r\nSOURCE: Loading PRT");

    for (const char* description : {"Automation error", "AUTOMATION ERROR", "an automatic failure"}) {
        const ErrorReportText dx =
            FormatErrorReport(ErrorSource::Device, 0x887600AA, description, "Creating D3D Device", "T");
        EXPECT_EQ(dx.box, "ERROR: DirectX reports 'No 3D hardware or emulation is present.'\r\n"
                          "SOURCE: Creating D3D Device")
            << description;
        EXPECT_EQ(dx.logLine, "T - D3D ERROR: 'No 3D hardware or emulation is present.'\r\nSOURCE: Creating D3D Device");
    }
    const ErrorReportText unknown = FormatErrorReport(ErrorSource::Device, 0x80004005, "Automation error", "Render", "T");
    EXPECT_EQ(unknown.box,
              "ERROR: DirectX reports 'Unknown Error: Out of memory or invalid parameters passed.'\r\nSOURCE: Render");

    // The program's own failures name the user's files and parts; the word
    // in a path or a name does not make them device errors.
    const std::string path = "Cannot read /home/me/Automotive/car.fce: No such file or directory";
    const ErrorReportText file = FormatErrorReport(ErrorSource::Program, 53, path, "Splitting FCE", "T");
    EXPECT_EQ(file.box, "ERROR:  Application reports '" + path + "'\r\nSOURCE: Splitting FCE");
    EXPECT_EQ(file.logLine, "T - APP ERROR: '" + path + "'\r\nSOURCE: Splitting FCE");
}

TEST(ErrorReporter, TheTableHoldsTheNinetyFiveCodes)
{
    std::vector<std::uint32_t> keys{0x0005, 0x000A, 0x0014, 0x0028, 0x0037, 0x005A, 0x005F, 0x0064, 0x006E,
                                    0x0078, 0x0082, 0x0091, 0x0096, 0x00A0, 0x00AA, 0x00B4, 0x00CD, 0x00D2,
                                    0x00D4, 0x00D7, 0x00DC, 0x00DE, 0x00E1, 0x00E6, 0x00F0, 0x00FA, 0x00FF,
                                    0x0104, 0x0118, 0x0122, 0x0136, 0x013C, 0x013D, 0x0140, 0x014A, 0x014F,
                                    0x0154, 0x015E, 0x0168, 0x017C, 0x017E, 0x0180, 0x0183, 0x0190, 0x019A,
                                    0x01A4, 0x01AE, 0x01B3, 0x01B8, 0x01C2, 0x01CC, 0x01D6, 0x01E0, 0x01EA,
                                    0x01FE, 0x0208, 0x0219, 0x021C, 0x026C, 0x0280, 0x0294, 0x02A8};
    for (std::uint32_t k = 0x0230; k <= 0x0250; ++k)
        keys.push_back(k);
    ASSERT_EQ(keys.size(), 95u);
    int known = 0;
    for (std::uint32_t code = 0x88760000; code <= 0x887602B0; ++code) {
        const bool listed = std::find(keys.begin(), keys.end(), code - 0x88760000) != keys.end();
        if (listed) {
            ++known;
            EXPECT_NE(DirectXErrorText(code), kUnknownErrorText) << std::hex << code;
        } else {
            EXPECT_EQ(DirectXErrorText(code), kUnknownErrorText) << std::hex << code;
        }
    }
    EXPECT_EQ(known, 95);
    EXPECT_EQ(DirectXErrorText(0x88760005), "The object has already been initialized.");
    EXPECT_EQ(DirectXErrorText(0x8876017C), "IDirectDraw does not have enough display memory to perform the operation.");
    EXPECT_EQ(DirectXErrorText(5), kUnknownErrorText);
}

TEST(DeviceChoice, EachSettingFallsBackInOrder)
{
    const DeviceOffer all{"GPU", "llvmpipe", "llvmpipe"};
    const DeviceOffer software{std::nullopt, "llvmpipe", "llvmpipe"};
    const DeviceOffer monoOnly{std::nullopt, std::nullopt, "softpipe"};

    DeviceChoice c = SelectDevice(2, all);
    EXPECT_EQ(c.kind, DeviceKind::Hardware);
    EXPECT_THAT(c.log, ElementsAre("Checking for 3D Hardware...", "Found GPU."));

    c = SelectDevice(2, software);
    EXPECT_EQ(c.kind, DeviceKind::SoftwareRgb);
    EXPECT_THAT(c.log, ElementsAre("Checking for 3D Hardware...", "Checking Software modes...", "Found llvmpipe."));

    c = SelectDevice(1, all);
    EXPECT_EQ(c.kind, DeviceKind::SoftwareRgb) << "software RGB even when hardware exists";
    c = SelectDevice(2, monoOnly);
    EXPECT_EQ(c.kind, DeviceKind::SoftwareMono);
    EXPECT_EQ(c.name, "softpipe");
    c = SelectDevice(0, all);
    EXPECT_EQ(c.kind, DeviceKind::SoftwareMono);
    EXPECT_THAT(c.log, ElementsAre("Checking for 3D Hardware...", "Checking Software modes...", "Found llvmpipe."));

    c = SelectDevice(0, DeviceOffer{"GPU", std::nullopt, std::nullopt});
    EXPECT_FALSE(c.kind) << "nothing passes: the device stays unset";
    EXPECT_THAT(c.log, ElementsAre("Checking for 3D Hardware...", "Checking Software modes..."));
}

TEST(DeviceChoice, WhatAProbeOffers)
{
    EXPECT_TRUE(IsSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(IsSoftwareRenderer("Gallium 0.4 on softpipe"));
    EXPECT_TRUE(IsSoftwareRenderer("Mesa DRI Software Rasterizer"));
    EXPECT_FALSE(IsSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(IsSoftwareRenderer("NVIDIA GeForce GTX 1060/PCIe/SSE2"));

    DeviceOffer offer = OfferFromProbe("AMD Radeon RX 580", true, false);
    EXPECT_EQ(offer.hardware, "AMD Radeon RX 580");
    EXPECT_FALSE(offer.softwareRgb);
    offer = OfferFromProbe("llvmpipe (LLVM 15.0.6, 256 bits)", true, true);
    EXPECT_FALSE(offer.hardware);
    EXPECT_EQ(offer.softwareRgb, "llvmpipe (LLVM 15.0.6, 256 bits)");
    EXPECT_EQ(offer.softwareMono, "llvmpipe (LLVM 15.0.6, 256 bits)");
    offer = OfferFromProbe("llvmpipe", false, true);
    EXPECT_FALSE(offer.softwareRgb) << "RGB needs true colour";
    EXPECT_TRUE(offer.softwareMono);
    offer = OfferFromProbe("", true, true);
    EXPECT_FALSE(offer.hardware || offer.softwareRgb || offer.softwareMono);

    // A driver that ignored the request for the software rasteriser: the
    // wanted kind is still chosen, and "Found " names what was obtained.
    const std::string card = "NVIDIA GeForce GTX 1060/PCIe/SSE2";
    DeviceChoice c = SelectDevice(0, OfferFromProbe(card, true, true));
    EXPECT_EQ(c.kind, DeviceKind::SoftwareMono);
    EXPECT_EQ(c.name, card);
    EXPECT_THAT(c.log, ElementsAre("Checking for 3D Hardware...", "Checking Software modes...", "Found " + card + "."));
    c = SelectDevice(1, OfferFromProbe(card, true, true));
    EXPECT_EQ(c.kind, DeviceKind::SoftwareRgb);
    EXPECT_EQ(c.name, card);
    EXPECT_EQ(SelectDevice(1, OfferFromProbe(card, false, true)).kind, DeviceKind::SoftwareMono)
        << "without true colour RGB falls back to MONO";
    EXPECT_EQ(SelectDevice(2, OfferFromProbe(card, true, false)).kind, DeviceKind::Hardware);

    EXPECT_FALSE(WantsSoftwareRasteriser(2));
    EXPECT_TRUE(WantsSoftwareRasteriser(1));
    EXPECT_TRUE(WantsSoftwareRasteriser(0));
}

} // namespace
