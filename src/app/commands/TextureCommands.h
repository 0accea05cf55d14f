#pragma once
// "Load &Texture Map": the picture shown under the texture-map view and used
// by the preview. TGA images are converted to a bitmap first (TEMP.BMP,
// kept beside Mobrix.ini); bitmaps, PNG and JPEG images are used as they are.
// A picture inside a car archive is written beside TEMP.BMP first.

#include "dialogs/DialogService.h"
#include "document/Document.h"

#include <QObject>

#include <optional>
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
    // The texture of the model just opened, found as the game finds it
    // (FindCarTexture); none found clears the texture shown.
    void LoadCarTexture();

    // TEMP.BMP in the folder of `iniPath`.
    static std::string TempBitmapBeside(const std::string& iniPath);

private:
    // The picture at `path` (a TGA converted first) becomes the texture;
    // false when it cannot be used. `report`: a refused file says why.
    bool UseImageFile(const QString& path, bool report = true);
    // The archive entry's picture becomes the texture, through a file
    // beside TEMP.BMP.
    bool UseArchiveImage(const std::string& archivePath, const std::string& entry, bool report = true);
    // When the model came from an archive holding pictures: the entry the
    // user picks, "" for a file on disk, nothing when cancelled.
    std::optional<std::string> PickArchiveImage();

    Document& doc_;
    DialogService& dialogs_;
    std::string tempBitmapPath_;
};

} // namespace mobrix::app
