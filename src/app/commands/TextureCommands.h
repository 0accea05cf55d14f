#pragma once
// "Load &Texture Map": the picture shown under the texture-map view and used
// by the preview. TGA images are converted to a bitmap first (TEMP.BMP,
// kept beside Mobrix.ini); bitmaps, PNG and JPEG images are used as they are.

#include "dialogs/DialogService.h"
#include "document/Document.h"

#include <QObject>

#include <string>

class QMenu;

namespace mobrix::app {

class TextureCommands : public QObject {
    Q_OBJECT
public:
    // `tempBitmapPath` is where TGA images are converted to.
    TextureCommands(Document& doc, DialogService& dialogs, std::string tempBitmapPath, QObject* parent);

    void BuildItems(QMenu* file);

    void mnuLoadTx_Click();

    // TEMP.BMP in the folder of `iniPath`.
    static std::string TempBitmapBeside(const std::string& iniPath);

private:
    Document& doc_;
    DialogService& dialogs_;
    std::string tempBitmapPath_;
};

} // namespace mobrix::app
