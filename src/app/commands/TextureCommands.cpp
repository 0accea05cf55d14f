#include "commands/TextureCommands.h"

#include "support/Latin1.h"
#include "support/MenuAction.h"
#include "CarArchive.h"
#include "FileIO.h"
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

namespace {

bool IsTga(const QString& name)
{
    return name.endsWith(".TGA", Qt::CaseInsensitive);
}

} // namespace

// Cancelling, and a picture that cannot be read, end the command without a
// word; a TGA file the conversion refuses says why.
void TextureCommands::mnuLoadTx_Click()
{
    const std::optional<std::string> inArchive = PickArchiveImage();
    if (!inArchive)
        return;
    if (!inArchive->empty()) {
        UseArchiveImage(doc_.State().ArchivePath, *inArchive);
        return;
    }
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.initialName = "*.TGA";
    request.filters = {"TGA Files|*.TGA", "BMP Files|*.BMP", "PNG Files|*.PNG", "JPEG Files|*.JPG;*.JPEG"};
    const FileDialogResult chosen = dialogs_.File(request);
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    UseImageFile(chosen.path);
}

std::optional<std::string> TextureCommands::PickArchiveImage()
{
    const std::string& archivePath = doc_.State().ArchivePath;
    if (archivePath.empty())
        return std::string();
    auto listed = ListViv(archivePath);
    if (!std::holds_alternative<VivArchive>(listed))
        return std::string();
    QStringList images;
    for (const VivEntry& entry : std::get<VivArchive>(listed).entries)
        if (IsImageEntry(entry.name))
            images << FromLatin1(entry.name);
    if (images.isEmpty())
        return std::string();
    images << "Another file...";
    const int picked = dialogs_.PickFromList({"Load the texture from the archive or from another file:",
                                        "Load Texture Map", images});
    if (picked < 0 || picked >= images.size())
        return std::nullopt;
    if (picked == images.size() - 1)
        return std::string();
    return images[picked].toLatin1().toStdString();
}

bool TextureCommands::UseImageFile(const QString& chosen, bool report)
{
    QString path = chosen;
    if (IsTga(path)) {
        if (const TgaStatus refused = ConvertTgaToBmp(path.toStdString(), tempBitmapPath_)) {
            if (report)
                dialogs_.Plain(kProgramTitle, FromLatin1(TgaFailureMessage(*refused)));
            return false;
        }
        path = QString::fromStdString(tempBitmapPath_);
    }
    if (!QImageReader(path).canRead())
        return false;
    doc_.SetTexturePath(path);
    return true;
}

bool TextureCommands::UseArchiveImage(const std::string& archivePath, const std::string& entry, bool report)
{
    auto loaded = LoadViv(archivePath);
    if (const auto* failure = std::get_if<VivFailure>(&loaded)) {
        if (report)
            dialogs_.Plain(kProgramTitle, FromLatin1(VivFailureMessage(*failure)));
        return false;
    }
    const LoadedViv& viv = std::get<LoadedViv>(loaded);
    const std::optional<std::size_t> index = FindEntry(viv.archive, entry);
    if (!index)
        return false;
    const std::span<const std::uint8_t> bytes = EntryBytes(viv.bytes, viv.archive.entries[*index]);
    const QString name = FromLatin1(entry);
    QString path = QString::fromStdString(tempBitmapPath_);
    if (IsTga(name)) {
        if (const TgaStatus refused = ConvertTgaToBmp(bytes, tempBitmapPath_)) {
            if (report)
                dialogs_.Plain(kProgramTitle, FromLatin1(TgaFailureMessage(*refused)));
            return false;
        }
    } else {
        // The picture keeps its own kind of file, beside TEMP.BMP.
        const std::string copy = (std::filesystem::path(tempBitmapPath_).parent_path() /
                                  ("TEMP" + std::filesystem::path(entry).extension().string()))
                                     .string();
        if (WriteFileAtomically(copy, bytes))
            return false;
        path = QString::fromStdString(copy);
    }
    if (!QImageReader(path).canRead())
        return false;
    doc_.SetTexturePath(path);
    return true;
}

void TextureCommands::LoadCarTexture()
{
    const DocumentState& state = doc_.State();
    std::optional<CarTexture> found;
    if (!state.ArchiveEntry.empty()) {
        auto listed = ListViv(state.ArchivePath);
        if (const auto* archive = std::get_if<VivArchive>(&listed))
            found = FindCarTexture(state.ArchivePath, *archive, state.ArchiveEntry);
    } else if (!doc_.Model().FileName.empty()) {
        found = FindCarTexture(doc_.Model().FileName);
    }
    // Opening says nothing of a texture it cannot use: the model is open.
    const bool used = found && (found->entry.empty() ? UseImageFile(QString::fromStdString(found->path), false)
                                                     : UseArchiveImage(found->path, found->entry, false));
    if (!used)
        doc_.SetTexturePath(QString());
}

} // namespace mobrix::app
