// Mobrix, the FCE car model editor.
//
//     mobrix [FILE]
//
// FILE is opened as "&Open" would open it, with the NFSIV reader when it
// starts with the NFSIV magic and the NFSIII reader otherwise.
//
// MOBRIX_FIRST_PAINT_EXIT=1 in the environment makes the program print the
// monotonic clock (nanoseconds) once its window has been painted the first
// time, and end at once; the start-up benchmark measures with it.

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

namespace {

std::string IniPath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QFileInfo folder(programFolder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return mobrix::app::IniFilePath(programFolder.toStdString(), folder.isDir() && folder.isWritable(),
                                    config.toStdString());
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
                std::printf("%lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool reported_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("Mobrix");
    QCoreApplication::setApplicationVersion(MOBRIX_VERSION);

    mobrix::app::QtDialogService dialogs;
    mobrix::app::Form1 form({&dialogs, IniPath()});
    dialogs.SetParent(&form);

    const char* probe = std::getenv("MOBRIX_FIRST_PAINT_EXIT");
    if (probe != nullptr && probe[0] == '1')
        form.findChild<QWidget*>("View1")->installEventFilter(new FirstPaintProbe(&form));

    form.show();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        form.OpenFromCommandLine(args.at(1));
    return app.exec();
}
