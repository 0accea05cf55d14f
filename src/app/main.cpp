// Mobrix, the FCE car model editor.
//
//     mobrix [FILE]
//
// FILE is opened as "&Open" would open it, with the NFSIV reader when it
// starts with the NFSIV magic and the NFSIII reader otherwise.
//
// MOBRIX_FIRST_PAINT_EXIT=1 in the environment makes the program print the
// monotonic clock (nanoseconds) once its window has been painted the first
// time, then its resident and peak resident memory (kB, VmRSS and VmHWM),
// and end at once; the start-up benchmarks measure with it.
//
// Recovery copies are kept in the user's data folder ($XDG_DATA_HOME, by
// default ~/.local/share, then Mobrix/recovery). For the tests that end
// Mobrix the hard way: MOBRIX_AUTOSAVE_SECONDS=N writes them every N seconds
// instead of Mobrix.ini's minutes, and MOBRIX_STALL_RECOVERY_WRITES=1 stops
// every write after the first for good before its manifest names it.

#include "Form1.h"
#include "dialogs/QtDialogService.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace {

std::string IniPath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QFileInfo folder(programFolder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return mobrix::app::IniFilePath(programFolder.toStdString(), folder.isDir() && folder.isWritable(),
                                    config.toStdString());
}

// A memory figure of this process from /proc/self/status, in kB (0 when
// the system does not tell).
long StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + field.size(), nullptr, 10);
    }
    return 0;
}

// Reports the first paint of the main window and ends the program.
class FirstPaintProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            // Report once the paint that is under way has finished.
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("%lld %ld %ld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()),
                            StatusKilobytes("VmRSS:"), StatusKilobytes("VmHWM:"));
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool reported_ = false;
};

std::string RecoveryFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return data.isEmpty() ? std::string() : (data + "/recovery").toStdString();
}

std::optional<int> AutosaveSecondsFromEnvironment()
{
    const char* seconds = std::getenv("MOBRIX_AUTOSAVE_SECONDS");
    if (seconds == nullptr || *seconds == '\0')
        return std::nullopt;
    return std::atoi(seconds);
}

bool EnvironmentFlag(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '1';
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Mobrix");
    QCoreApplication::setApplicationVersion(MOBRIX_VERSION);

    mobrix::app::QtDialogService dialogs;
    mobrix::app::Form1 form({.dialogs = &dialogs,
                             .iniPath = IniPath(),
                             .recoveryFolder = RecoveryFolder(),
                             .autosaveSeconds = AutosaveSecondsFromEnvironment(),
                             .stallAfterFirstWrite = EnvironmentFlag("MOBRIX_STALL_RECOVERY_WRITES")});
    dialogs.SetParent(&form);

    const bool probe = EnvironmentFlag("MOBRIX_FIRST_PAINT_EXIT");
    if (probe)
        form.findChild<QWidget*>("View1")->installEventFilter(new FirstPaintProbe(&form));

    form.show();
    // A recovered model is not replaced by the file named on the command
    // line; the measured start-up asks nothing.
    const bool recovered = !probe && form.OfferRecovery();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && !recovered)
        form.OpenFromCommandLine(args.at(1));
    return app.exec();
}
