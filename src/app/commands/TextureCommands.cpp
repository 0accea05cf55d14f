#include "commands/TextureCommands.h"

#include "support/Latin1.h"
#include "support/MenuAction.h"
#include "TgaToBmp.h"

#include <QImageReader>
#include <QMenu>

#include <filesystem>

namespace mobrix::app {

TextureCommands::TextureCommands(Document& doc, DialogService& dialogs, std::string tempBitmapPath, QObject* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), tempBitmapPath_(std::move(tempBitmapPath))
{
}

std::string TextureCommands::TempBitmapBeside(const std::string& iniPath)
{
    return (std::filesystem::path(iniPath).parent_path() / "TEMP.BMP").string();
}

void TextureCommands::BuildItems(QMenu* file)
{
    AddMenuAction(file, "mnuLoadTx", "Load &Texture Map", this, [this] { mnuLoadTx_Click(); });
}

// Cancelling, and a picture that cannot be read, end the command without a
// word; a TGA file the conversion refuses says why.
void TextureCommands::mnuLoadTx_Click()
{
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.initialName = "*.TGA";
    request.filters = {"TGA Files|*.TGA", "BMP Files|*.BMP", "PNG Files|*.PNG", "JPEG Files|*.JPG;*.JPEG"};
    const FileDialogResult chosen = dialogs_.File(request);
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    QString path = chosen.path;
    if (path.right(4).compare(".TGA", Qt::CaseInsensitive) == 0) {
        if (const TgaStatus refused = ConvertTgaToBmp(path.toStdString(), tempBitmapPath_)) {
            dialogs_.Plain(kProgramTitle, FromLatin1(TgaFailureMessage(*refused)));
            return;
        }
        path = QString::fromStdString(tempBitmapPath_);
    }
    if (!QImageReader(path).canRead())
        return;
    doc_.SetTexturePath(path);
}

} // namespace mobrix::app
