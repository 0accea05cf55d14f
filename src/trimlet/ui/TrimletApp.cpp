#include "TrimletApp.h"

#include "ErrorNumbers.h"
#include "ErrorReport.h"
#include "GlobeWindow.h"
#include "StartupWindow.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace trimlet {

namespace {

constexpr int kDeviceWaitMilliseconds = 20000;

struct DisplayProbe {
    std::string renderer; // empty when no OpenGL context could be made
    bool trueColour = false;
};

// Asks OpenGL which renderer it gives this program, the way the device
// enumeration of a 3D interface would.
DisplayProbe ProbeDisplay()
{
    DisplayProbe probe;
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return probe;
    if (const auto* name = context.functions()->glGetString(GL_RENDERER))
        probe.renderer = reinterpret_cast<const char*>(name);
    // The depth of the colours OpenGL actually gave, which need not be the
    // screen's.
    const QSurfaceFormat format = context.format();
    probe.trueColour = format.redBufferSize() >= 8 && format.greenBufferSize() >= 8 && format.blueBufferSize() >= 8;
    context.doneCurrent();
    return probe;
}

} // namespace

QString LogDateTime()
{
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
}

QString LogTime()
{
    return QDateTime::currentDateTime().toString("HH:mm:ss");
}

TrimletApp::TrimletApp(TrimletSetup setup)
    : setup_(std::move(setup)), log_(setup_.appFolder / kLogFileName), startup_(std::make_unique<StartupWindow>()),
      window_(std::make_unique<GlobeWindow>(*this))
{
    QObject::connect(
        window_->View(), &SceneView::ViewportResized, window_.get(),
        [this](int, int) { WriteLog(LogTime() + " - Resizing D3D viewport.", false); }, Qt::QueuedConnection);
}

TrimletApp::~TrimletApp()
{
    ReleaseAll();
}

bool TrimletApp::StartUp()
{
    auto lock = TempFolderLock::Acquire(setup_.appFolder);
    running_ = false;
    log_.Reset();

    startup_->show();
    WriteLog("Trimlet startup logfile - " + LogDateTime(), true);
    WriteLog(QString(45, '='), true);
    WriteLog(QString(), true);
    if (!HoldTempFolder(std::move(lock)))
        return false;

    displayMode_ = ReadConfig(setup_.appFolder);
    // The OpenGL library reads these when it first meets the display, so
    // they are set before any window uses OpenGL. The second picks Mesa
    // among the drivers a vendor-neutral OpenGL library could load, since
    // another vendor's driver ignores the first.
    if (WantsSoftwareRasteriser(displayMode_)) {
        qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
        qputenv("__GLX_VENDOR_LIBRARY_NAME", "mesa");
    }

    window_->show();
    if (!ChooseFile() || !CreateDevice() || !CreateScene())
        return false;

    WriteLog("Entering render loop...", true);
    WriteLog("Startup complete.", true);
    running_ = true;
    startup_->hide();
    window_->activateWindow();
    window_->View()->SetRunning(true);
    return true;
}

bool TrimletApp::HoldTempFolder(std::variant<TempFolderLock, FileFailure> lock)
{
    if (auto* failure = std::get_if<FileFailure>(&lock)) {
        ReportError(failure->errorNumber, failure->message, "Locking temp folder");
        return false;
    }
    tempLock_.emplace(std::move(std::get<TempFolderLock>(lock)));
    const std::string name = TempFolder().filename().string();
    if (name != kTempFolderName)
        WriteLog(QString::fromStdString("Another Trimlet is using " + std::string(kTempFolderName) +
                                        "; this one works in " + name + "."),
                 true);
    return true;
}

bool TrimletApp::ChooseFile()
{
    std::optional<QString> path = setup_.fceFile;
    if (!path)
        path = Dialogs().OpenFceFile();
    if (!path) {
        End(0); // the user chose not to open a model
        return false;
    }
    fcePath_ = std::filesystem::path(path->toStdString());
    return true;
}

bool TrimletApp::CreateDevice()
{
    WriteLog("Creating D3D Device...", true);
    const DisplayProbe probe = ProbeDisplay();
    device_ = SelectDevice(displayMode_, OfferFromProbe(probe.renderer, probe.trueColour,
                                                        WantsSoftwareRasteriser(displayMode_)));
    for (const std::string& line : device_.log)
        WriteLog(QString::fromStdString(line), true);
    if (probe.renderer.empty()) {
        ReportError(errors::kNo3D, "Automation error: no OpenGL context could be created", "Creating D3D Device",
                    ErrorSource::Device);
        return false;
    }

    WriteLog("Setting D3D Device mode...", true);
    window_->CreateDevice();
    // The context is made when the surface is first shown on the screen.
    const QDeadlineTimer deadline(kDeviceWaitMilliseconds);
    SceneView* view = window_->View();
    while (!view->DeviceReady() && !view->DeviceFailed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!view->DeviceReady()) {
        ReportError(errors::kNo3D, "Automation error: the OpenGL surface could not be set up",
                    "Setting D3D Device mode", ErrorSource::Device);
        return false;
    }
    return true;
}

bool TrimletApp::CreateScene()
{
    WriteLog("Creating scene...", true);
    auto split = SplitFce(fcePath_, TempFolder());
    if (auto* failure = std::get_if<FileFailure>(&split)) {
        if (failure->kind == FileFailure::Kind::NotNfs4File) {
            Dialogs().Message(QString::fromStdString(failure->message), "Error!", TrimletDialogs::Icon::Critical);
            ReleaseAll();
            End(1);
        } else {
            ReportError(failure->errorNumber, failure->message, "Splitting FCE");
        }
        return false;
    }
    store_ = std::move(std::get<FceStore>(split));
    window_->setWindowTitle("Trimlet - " + QString::fromStdString(fcePath_.filename().string()));
    window_->FillPartList(PartNames(store_));
    if (!window_->LoadPart(0))
        return false;
    window_->GetScene().FitCamera(store_.Reach);
    return true;
}

void TrimletApp::WriteLog(const QString& text, bool show)
{
    log_.Append(text.toStdString());
    if (show && startup_) {
        startup_->show();
        startup_->raise();
        startup_->AddLine(text);
    }
    QCoreApplication::processEvents();
}

void TrimletApp::ReportError(std::uint32_t number, const std::string& description, const std::string& procedure,
                             ErrorSource source)
{
    if (ended_)
        return; // the program is already ending; later errors are passed over
    ReleaseAll();
    ShowAndLogError(source, number, description, procedure);
    WriteLog(QString::fromUtf8(kExecutionTerminated.data(), kExecutionTerminated.size()), false);
    End(1);
}

void TrimletApp::ShowAndLogError(ErrorSource source, std::uint32_t number, const std::string& description,
                                 const std::string& procedure)
{
    const ErrorReportText text =
        FormatErrorReport(source, number, description, procedure, LogDateTime().toStdString());
    Dialogs().Message(QString::fromStdString(text.box), QString::fromUtf8(kErrorBoxTitle.data(), kErrorBoxTitle.size()),
                      TrimletDialogs::Icon::Critical);
    WriteLog(QString::fromStdString(text.logLine), false);
}

bool TrimletApp::ReportFileFailure(const FileFailure& failure, const std::string& procedure)
{
    if (failure.kind == FileFailure::Kind::NotPartFile || failure.kind == FileFailure::Kind::Incompatible) {
        Dialogs().Message(QString::fromStdString(failure.message), QCoreApplication::applicationName(),
                          TrimletDialogs::Icon::None);
        return false;
    }
    ReportError(failure.errorNumber, failure.message, procedure);
    return true;
}

void TrimletApp::ReportSaveFailure(const FileFailure& failure)
{
    ShowAndLogError(ErrorSource::Program, failure.errorNumber, failure.message, "Saving FCE");
}

void TrimletApp::ReleaseAll()
{
    if (window_)
        window_->View()->ReleaseGl();
}

void TrimletApp::End(int code)
{
    ended_ = true;
    running_ = false;
    if (setup_.endProgram)
        setup_.endProgram(code);
}

} // namespace trimlet
