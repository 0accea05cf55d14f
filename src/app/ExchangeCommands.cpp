// The main window's exchange commands: part files ("&Parts" menu), and the
// 3DS and X conversions and the 3DS export ("&File" menu). The file formats
// live in the exchange library; these handlers ask for the files, call it,
// and bring the lists and views up to date.

#include "Form1.h"

#include "BusyPointer.h"
#include "ExchangeErrors.h"
#include "FileInfoReport.h"
#include "Latin1.h"
#include "MenuAction.h"
#include "PartFiles.h"
#include "PartsDummies.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <QAction>
#include <QApplication>
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


} // namespace

void Form1::BuildConversionItems()
{
    auto item = [this](const char* name, const QString& caption, auto handler) {
        return AddMenuAction(mnuFile_, name, caption, this, handler);
    };
    mnuFile_->addSeparator();
    mnuConv3DS_ = item("mnuConv3DS", "Convert 3DS", [this] { mnuConv3DS_Click(); });
    mnuConv3DSPRT_ = item("mnuConv3DSPRT", "Convert 3DS to PRT", [this] { mnuConv3DSPRT_Click(); });
    mnuConvX_ = item("mnuConvX", "Convert X", [this] { mnuConvX_Click(); });
    mnuEx3DS_ = item("mnuEx3DS", "Export 3DS", [this] { mnuEx3DS_Click(); });
}

void Form1::BuildPartsMenu()
{
    mnuParts_ = menuBar()->addMenu("&Parts");
    mnuParts_->setObjectName("mnuParts");
    mnuEPart_ = AddMenuAction(mnuParts_, "mnuEPart", "&Extract Part", this, [this] { mnuEPart_Click(); });
    mnuIPart_ = AddMenuAction(mnuParts_, "mnuIPart", "&Insert Part", this, [this] { mnuIPart_Click(); });
}

void Form1::ShowExchangeFailure(ExchangeCommand command, const ExchangeFailure& failure)
{
    const ExchangeMessage box = FailureMessage(command, failure);
    dialogs_.Message({box.icon, FromLatin1(box.title), FromLatin1(box.text), MessageButtons::Ok, MessageAnswer::Ok});
}

// ---------------------------------------------------------------------------
// Part files

void Form1::mnuEPart_Click()
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
        failure = ExtractPart(model_, model_.CurrentPart, LocalPath(chosen.path), format,
                              format == PartFileFormat::Text ? GeneralDateTime(std::time(nullptr)) : std::string());
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::ExtractPart, *failure);
}

void Form1::mnuIPart_Click()
{
    if (PartLimitReached(model_)) {
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
            failure = InsertPart(model_, LocalPath(chosen.path), format);
        }
        if (failure) {
            ShowExchangeFailure(ExchangeCommand::InsertPart, *failure);
        } else {
            // The new part joins the list without being selected: the current
            // part and the views stay as they were.
            fillingLists_ = true;
            partList_->addItem(FromLatin1(PartListNames(model_).back()));
            fillingLists_ = false;
            SyncPartSelection();
        }
    }
    RefillPartCountLists(true, false);
}

// ---------------------------------------------------------------------------
// 3DS and X

void Form1::mnuConv3DS_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, k3dsInitialName, FilterEntries(k3dsFilter), QString(), QString()});
    if (chosen.cancelled)
        return;
    if (!chosen.path.isEmpty()) {
        if (!QFileInfo(chosen.path).isFile()) {
            dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        } else {
            ExchangeStatus failure;
            {
                BusyPointer busy;
                failure = Convert3DS(model_, LocalPath(chosen.path));
            }
            if (failure)
                ShowExchangeFailure(ExchangeCommand::Convert3DS, *failure);
            else
                ShowConvertedModel(LocalPath(chosen.path));
        }
    }
    // The conversion leaves the editing commands on whatever it ended with.
    if (doc_.ModelExists)
        SetEditingEnabled(true);
    RedrawView();
}

// Lists, report and views for a model that a conversion just replaced.
void Form1::ShowConvertedModel(const std::string& sourcePath)
{
    FillFileInfo(sourcePath, true);
    FillPartList();
    FillDummyList();
    RefillPartCountLists(true, true);
    SetVertTypeButtons(false);
    doc_.SaveVariant.reset();
    doc_.ModelExists = true;
    RescaleView();
}

void Form1::mnuConv3DSPRT_Click()
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

void Form1::mnuEx3DS_Click()
{
    const FileDialogResult chosen = dialogs_.File({FileDialogMode::Save, k3dsInitialName, FilterEntries(k3dsFilter),
                                                   k3dsDefaultExtension, kExport3dsDialogTitle});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = Write3DS(model_, LocalPath(chosen.path));
    }
    if (failure)
        ShowExchangeFailure(ExchangeCommand::Export3DS, *failure);
}

void Form1::mnuConvX_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, QString(), FilterEntries(kXFilter), QString(), QString()});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    if (!QFileInfo(chosen.path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return;
    }
    ExchangeStatus failure;
    {
        BusyPointer busy;
        failure = ConvertX(model_, LocalPath(chosen.path));
    }
    if (failure) {
        ShowExchangeFailure(ExchangeCommand::ConvertX, *failure);
        return;
    }
    dialogs_.Plain(kProgramTitle, kXFinishedMessage);
    FillPartList();
    RefillPartCountLists(true, true);
    SetVertTypeButtons(false);
    // The converted mesh is not the FCE file opened before: "&Save" must ask
    // for a file instead of writing the mesh over that one.
    doc_.SaveVariant.reset();
    doc_.ModelExists = true;
    SetEditingEnabled(false);
    RescaleView();
    RedrawView();
}

} // namespace mobrix::app
