#pragma once
// Trimlet's life from start to end: the start-up sequence with its log,
// the setting, the device choice, the split of the chosen model, the render
// loop and the error reporter every procedure uses.

#include "Config.h"
#include "DeviceChoice.h"
#include "ErrorReport.h"
#include "FceStore.h"
#include "FileFailure.h"
#include "TempFolder.h"
#include "TrimletDialogs.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace trimlet {

class GlobeWindow;
class StartupWindow;

struct TrimletSetup {
    // Where temp, STARTUP.LOG and trimlet.ini live (already resolved).
    std::filesystem::path appFolder;
    TrimletDialogs* dialogs = nullptr;
    // Ends the program with an exit code. The program's own ends the
    // process; tests record the call instead, and the callers of the error
    // reporter then stop what they were doing.
    std::function<void(int)> endProgram;
    // The model named on the command line, opened without the dialog.
    std::optional<QString> fceFile;
};

class TrimletApp {
public:
    explicit TrimletApp(TrimletSetup setup);
    ~TrimletApp();
    TrimletApp(const TrimletApp&) = delete;
    TrimletApp& operator=(const TrimletApp&) = delete;

    // Runs the start-up up to the render loop, which then runs in the
    // event loop. False when the program ended on the way.
    bool StartUp();

    // Appends a line to STARTUP.LOG; with `show` also prints it in the
    // start-up window. Lets pending window events run.
    void WriteLog(const QString& text, bool show);

    // Releases the 3D objects, shows the error, logs it with "Execution
    // terminated." and ends the program. Only the 3D device's own failures
    // come from ErrorSource::Device.
    void ReportError(std::uint32_t number, const std::string& description, const std::string& procedure,
                     ErrorSource source = ErrorSource::Program);
    // Reports a failure through ReportError, except the two refusals of a
    // part file, which get their own plain message box. True when the
    // program ended.
    bool ReportFileFailure(const FileFailure& failure, const std::string& procedure);
    // A failed save is shown and logged like an error, but the program
    // goes on: the work is still in the part files and can be saved again.
    void ReportSaveFailure(const FileFailure& failure);

    // Frees every 3D object.
    void ReleaseAll();

    bool Running() const { return running_; }
    const DeviceChoice& Device() const { return device_; }
    // The temp folder this Trimlet holds: "temp", or one of its own when
    // another running Trimlet holds that.
    std::filesystem::path TempFolder() const
    {
        return tempLock_ ? tempLock_->Folder() : setup_.appFolder / kTempFolderName;
    }
    const std::filesystem::path& FcePath() const { return fcePath_; }
    FceStore& Store() { return store_; }
    TrimletDialogs& Dialogs() { return *setup_.dialogs; }
    GlobeWindow* Window() { return window_.get(); }
    StartupWindow* Startup() { return startup_.get(); }

private:
    bool HoldTempFolder(std::variant<TempFolderLock, FileFailure> lock);
    bool ChooseFile();
    bool CreateDevice();
    bool CreateScene();
    // The error box and its line in the log.
    void ShowAndLogError(ErrorSource source, std::uint32_t number, const std::string& description,
                         const std::string& procedure);
    void End(int code);

    TrimletSetup setup_;
    StartupLog log_;
    std::unique_ptr<StartupWindow> startup_;
    std::unique_ptr<GlobeWindow> window_;
    std::optional<TempFolderLock> tempLock_;
    std::filesystem::path fcePath_;
    FceStore store_;
    DeviceChoice device_;
    int displayMode_ = 0;
    bool running_ = false;
    bool ended_ = false;
};

// The log's time stamps.
QString LogDateTime();
QString LogTime();

} // namespace trimlet
