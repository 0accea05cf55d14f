// Trimlet: shows an NFSIV car model as a turnable 3D scene, lets the user
// fuse parts, regenerate normals and change triangle flags, and saves the
// model reassembled from its parts.
//
//   trimlet          asks for the model with the open-file dialog
//   trimlet FILE     opens FILE

#include "Config.h"
#include "TrimletApp.h"
#include "TrimletDialogs.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Trimlet");

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 || arguments.contains("--help") || arguments.contains("-h")) {
        std::cerr << "usage: trimlet [FILE]\n  Opens the NFSIV FCE file FILE, or asks for one.\n";
        return arguments.size() > 2 ? 2 : 0;
    }

    const std::filesystem::path programFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();

    trimlet::QtTrimletDialogs dialogs;
    trimlet::TrimletSetup setup;
    setup.appFolder = trimlet::ResolveAppFolder(programFolder, userFolder);
    setup.dialogs = &dialogs;
    setup.endProgram = [](int code) {
        // Every file is closed after each write; nothing else needs to run.
        std::fflush(nullptr);
        std::_Exit(code);
    };
    if (arguments.size() == 2)
        setup.fceFile = arguments[1];

    trimlet::TrimletApp trimlet(std::move(setup));
    if (!trimlet.StartUp())
        return 1;
    const int code = QApplication::exec();
    trimlet.ReleaseAll();
    return code;
}
