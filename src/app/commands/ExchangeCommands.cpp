// The main window's exchange commands: part files ("&Parts" menu), and the
// 3DS and X conversions and the 3DS export ("&File" menu). The file formats
// live in the exchange library; these handlers ask for the files, call it,
// and hand the result to the document, whose listeners bring the lists and
// views up to date.

#include "commands/ExchangeCommands.h"

#include "support/BusyPointer.h"
#include "ExchangeErrors.h"
#include "FileInfoReport.h"
#include "Gltf.h"
#include "support/Latin1.h"
#include "support/MenuAction.h"
#include "Obj.h"
#include "PartFiles.h"
#include "PartsDummies.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include <ctime>

namespace mobrix::app {

namespace {

// A filter list written as "description|pattern|description|pattern" becomes
// the dialog's entries; a lone pattern describes itself.
QStringList FilterEntries(const char* filter)
{
    const QStringList items = QString::fromLatin1(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i < items.size(); i += 2)
        entries << (i + 1 < items.size() ? items[i] + "|" + items[i + 1] : items[i] + "|" + items[i]);
    return entries;
}

std::string LocalPath(const QString& path)
{
    return path.toStdString();
}

constexpr const char* kGltfInitialName = "*.glb";
constexpr const char* kGltfOpenFilter = "glTF 2.0 files|*.glb;*.gltf";
constexpr const char* kGltfSaveFilter = "glTF 2.0 binary|*.glb|glTF 2.0 text|*.gltf";

// The document's texture as PNG bytes for the glTF file; none when there is
// no texture or it cannot be read as an image.
std::vector<std::uint8_t> TexturePng(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QImage image(path);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return {bytes.begin(), bytes.end()};
}


} // namespace

ExchangeCommands::ExchangeCommands(Document& doc, DialogService& dialogs, QObject* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs)
{
}

void ExchangeCommands::BuildConversionItems(QMenu* file)
{
    auto item = [this, file](const char* name, const QString& caption, auto handler) {
        return AddMenuAction(file, name, caption, this, handler);
    };
    file->addSeparator();
    item("mnuConv3DS", "Convert 3DS", [this] { mnuConv3DS_Click(); });
    item("mnuConv3DSPRT", "Convert 3DS to PRT", [this] { mnuConv3DSPRT_Click(); });
    item("mnuConvObj", "Convert OBJ", [this] { mnuConvObj_Click(); });
    item("mnuConvX", "Convert X", [this] { mnuConvX_Click(); });
    mnuEx3DS_ = item("mnuEx3DS", "Export 3DS", [this] { mnuEx3DS_Click(); });
    mnuEx3DS_->setEnabled(false);
    item("mnuImpGltf", "Import glTF", [this] { mnuImpGltf_Click(); });
    // A model to export exists exactly when "Export 3DS" is on.
    QAction* exportGltf = item("mnuExGltf", "Export glTF", [this] { mnuExGltf_Click(); });
    exportGltf->setEnabled(false);
    connect(mnuEx3DS_, &QAction::enabledChanged, exportGltf, &QAction::setEnabled);
}

void ExchangeCommands::BuildPartItems(QMenu* parts)
{
    AddMenuAction(parts, "mnuEPart", "&Extract Part", this, [this] { mnuEPart_Click(); });
    AddMenuAction(parts, "mnuIPart", "&Insert Part", this, [this] { mnuIPart_Click(); });
    AddMenuAction(parts, "mnuExObj", "Export OBJ", this, [this] { mnuExObj_Click(); });
}

void ExchangeCommands::ShowExchangeFailure(ExchangeCommand command, const ExchangeFailure& failure)
{
    const ExchangeMessage box = FailureMessage(command, failure);
    dialogs_.Message({box.icon, FromLatin1(box.title), FromLatin1(box.text), MessageButtons::Ok, MessageAnswer::Ok});
}

// ---------------------------------------------------------------------------
// Part files

void ExchangeCommands::mnuEPart_Click()
{
    const FileDialogResult chosen = dialogs_.File(
        {FileDialogMode::Save, kPartFileInitialName, FilterEntries(kExtractPartFilter), QString(), QString()});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    if (chosen.filterIndex != 1 && chosen.filterIndex != 2)
        return;
    const PartFileFormat format = chosen.filterIndex == 1 ? PartFileFormat::Binary : PartFileFormat::Text;
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = ExtractPart(doc_.Model(), doc_.Model().CurrentPart, LocalPath(chosen.path), format,
                              format == PartFileFormat::Text ? GeneralDateTime(std::time(nullptr)) : std::string());
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::ExtractPart, *failure);
}

void ExchangeCommands::mnuIPart_Click()
{
    if (PartLimitReached(doc_.Model())) {
        dialogs_.Error(kErrorTitle, kTooManyPartsMessage);
        return;
    }
    const FileDialogResult chosen = dialogs_.File(
        {FileDialogMode::Open, kPartFileInitialName, FilterEntries(kInsertPartFilter), QString(), QString()});
    if (chosen.cancelled)
        return;
    if (!chosen.path.isEmpty() && (chosen.filterIndex == 1 || chosen.filterIndex == 2)) {
        if (!QFileInfo(chosen.path).isFile()) {
            dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
            return;
        }
        const PartFileFormat format = chosen.filterIndex == 1 ? PartFileFormat::Binary : PartFileFormat::Text;
        ExchangeStatus failure;
        {
            BusyPointer busy;
            // The new part joins the list without being selected: the
            // current part and the views stay as they were.
            const CarModel& model = doc_.Model();
            doc_.Edit("Insert Part", EditExtent::Mesh, PartsFromWindow(model, UsablePartCount(model.Header)),
                      Change{.parts = true}, [&](CarModel& m) {
                          failure = InsertPart(m, LocalPath(chosen.path), format);
                          return !failure;
                      });
        }
        if (failure)
            ShowExchangeFailure(ExchangeCommand::InsertPart, *failure);
    }
}

// ---------------------------------------------------------------------------
// 3DS and X

void ExchangeCommands::mnuConv3DS_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, k3dsInitialName, FilterEntries(k3dsFilter), QString(), QString()});
    if (chosen.cancelled)
        return;
    if (!chosen.path.isEmpty()) {
        if (!QFileInfo(chosen.path).isFile()) {
            dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        } else {
            const std::string path = LocalPath(chosen.path);
            if (std::optional<CarModel> model = Convert(ExchangeCommand::Convert3DS, path, &Convert3DS))
                ShowConvertedModel(std::move(*model), path, true);
        }
    }
    // The conversion leaves the editing commands on whatever it ended with.
    if (doc_.State().ModelExists)
        emit saveOffered();
}

// A conversion replaced the model: it has no FCE file of its own yet, so
// "&Save" must ask for one instead of writing over the file opened before.
void ExchangeCommands::ShowConvertedModel(CarModel model, const std::string& sourcePath, bool withSave)
{
    doc_.ReplaceModel(std::move(model), {.saveVariant = std::nullopt, .reportPath = sourcePath,
                                         .reportAppends = false, .offersSave = withSave});
}

void ExchangeCommands::mnuConv3DSPRT_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, k3dsInitialName, FilterEntries(k3dsFilter), QString(), QString()});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    if (!QFileInfo(chosen.path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return;
    }
    ThreeDsToPartsResult result;
    {
        BusyPointer busy;
        result = Read3DSToParts(LocalPath(chosen.path), LocalPath(QFileInfo(chosen.path).absolutePath()));
    }
    if (result.failure) {
        ShowExchangeFailure(ExchangeCommand::Convert3DSToPRT, *result.failure);
        return;
    }
    // Objects whose names give the same file were written under numbered
    // names rather than over each other; say where they went.
    // The box lists a screenful; a file of thousands of alike names only
    // says how many more there are.
    constexpr int kListed = 20;
    QStringList renamed;
    int unlisted = 0;
    for (const WrittenPartFile& file : result.written) {
        if (!file.renamed)
            continue;
        if (renamed.size() < kListed)
            renamed << FromLatin1(file.objectName) + " -> " + QFileInfo(QString::fromStdString(file.path)).fileName();
        else
            ++unlisted;
    }
    if (unlisted > 0)
        renamed << QString("... and %1 more").arg(unlisted);
    if (!renamed.isEmpty())
        dialogs_.Plain(kProgramTitle, "Some objects share a file name and were written as:\r" + renamed.join('\r'));
}

void ExchangeCommands::mnuEx3DS_Click()
{
    const FileDialogResult chosen = dialogs_.File({FileDialogMode::Save, k3dsInitialName, FilterEntries(k3dsFilter),
                                                   k3dsDefaultExtension, kExport3dsDialogTitle});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = Write3DS(doc_.Model(), LocalPath(chosen.path));
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::Export3DS, *failure);
}

// Asks for an existing file to convert; empty when the user cancelled or
// the file is not there (which is said).
std::optional<std::string> ExchangeCommands::ChooseSource(const QString& initialName, const char* filter)
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, initialName, FilterEntries(filter), QString(), QString()});
    if (chosen.cancelled || chosen.path.isEmpty())
        return std::nullopt;
    if (!QFileInfo(chosen.path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return std::nullopt;
    }
    return LocalPath(chosen.path);
}

// Runs a conversion on a copy of the model (some keep parts of the model
// they replace); says why when it is refused.
std::optional<CarModel> ExchangeCommands::Convert(ExchangeCommand command, const std::string& path,
                                                  ExchangeStatus (*convert)(CarModel&, const std::string&))
{
    CarModel model = doc_.Model();
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = convert(model, path);
    }
    if (failure) {
        ShowExchangeFailure(command, *failure);
        return std::nullopt;
    }
    return model;
}

void ExchangeCommands::mnuConvX_Click()
{
    const auto path = ChooseSource(QString(), kXFilter);
    if (!path)
        return;
    std::optional<CarModel> model = Convert(ExchangeCommand::ConvertX, *path, &ConvertX);
    if (!model)
        return;
    dialogs_.Plain(kProgramTitle, kXFinishedMessage);
    ShowConvertedModel(std::move(*model), *path, false);
}

// ---------------------------------------------------------------------------
// OBJ

void ExchangeCommands::mnuConvObj_Click()
{
    const auto path = ChooseSource(kObjInitialName, kObjFilter);
    if (!path)
        return;
    if (std::optional<CarModel> model = Convert(ExchangeCommand::ConvertObj, *path, &ConvertObj))
        ShowConvertedModel(std::move(*model), *path, true);
}

void ExchangeCommands::mnuExObj_Click()
{
    const FileDialogResult chosen = dialogs_.File({FileDialogMode::Save, kObjInitialName, FilterEntries(kObjFilter),
                                                   kObjDefaultExtension, kExportObjDialogTitle});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = WriteObj(doc_.Model(), LocalPath(chosen.path), doc_.TexturePath().toStdString());
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::ExportObj, *failure);
}

// ---------------------------------------------------------------------------
// glTF

void ExchangeCommands::mnuImpGltf_Click()
{
    const auto path = ChooseSource(kGltfInitialName, kGltfOpenFilter);
    if (!path)
        return;
    if (std::optional<CarModel> model = Convert(ExchangeCommand::ImportGltf, *path, &ConvertGltf))
        ShowConvertedModel(std::move(*model), *path, true);
}

void ExchangeCommands::mnuExGltf_Click()
{
    const FileDialogResult chosen = dialogs_.File(
        {FileDialogMode::Save, kGltfInitialName, FilterEntries(kGltfSaveFilter), "glb", "Export glTF"});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = WriteGltf(doc_.Model(), LocalPath(chosen.path), TexturePng(doc_.TexturePath()));
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::ExportGltf, *failure);
}

} // namespace mobrix::app
