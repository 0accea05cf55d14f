#include "commands/FileCommands.h"

#include "CarArchive.h"
#include "support/BusyPointer.h"
#include "support/Latin1.h"
#include "support/MenuAction.h"
#include "PartsDummies.h"
#include "VariantConversion.h"
#include "document/RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace mobrix::app {

namespace {

// The first entry reads either variant, by the file's magic number; the
// other two force one.
const QStringList kOpenFilters{"FCE files|*.fce", "NFSIII FCE File|*.FCE", "NFSIV FCE File|*.FCE",
                               "Car archives|*.viv"};
// The save entries in the order of FceVariant, then archives.
const QStringList kSaveFilters{"NFSIII FCE File|*.FCE", "NFSIV FCE File|*.FCE", "FCE4M FCE File|*.FCE",
                               "Car archives|*.viv"};
constexpr int kArchiveSaveFilter = 4;

int SaveFilterOf(FceVariant variant)
{
    return static_cast<int>(variant) + 1;
}

FceVariant VariantOfSaveFilter(int filter)
{
    switch (filter) {
    case 2: return FceVariant::Nfs4;
    case 3: return FceVariant::Fce4m;
    default: return FceVariant::Nfs3;
    }
}

QString VariantName(FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs4: return "NFSIV";
    case FceVariant::Fce4m: return "FCE4M";
    case FceVariant::Nfs3: break;
    }
    return "NFSIII";
}

// A car archive by its name, or by its magic when the name does not say.
bool IsArchive(const std::string& path)
{
    return QString::fromStdString(path).endsWith(".viv", Qt::CaseInsensitive) || HasVivMagic(path);
}

QString Path(const std::string& path)
{
    return QString::fromStdString(path);
}

RecentFormat RecentFormatOf(FceVariant variant)
{
    switch (variant) {
    case FceVariant::Nfs3: break;
    case FceVariant::Nfs4: return RecentFormat::Nfs4;
    case FceVariant::Fce4m: return RecentFormat::Fce4m;
    }
    return RecentFormat::Nfs3;
}

FceVariant VariantOf(RecentFormat format)
{
    switch (format) {
    case RecentFormat::Nfs3: break;
    case RecentFormat::Nfs4: return FceVariant::Nfs4;
    case RecentFormat::Fce4m: return FceVariant::Fce4m;
    }
    return FceVariant::Nfs3;
}

} // namespace

FileCommands::FileCommands(Document& doc, DialogService& dialogs, std::string iniPath, QObject* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), iniPath_(std::move(iniPath))
{
    doc_.SetRecentFiles(ReadRecentFile(iniPath_));
    const IniSettings settings = ReadSettingsFile(iniPath_);
    views::DisplayOptions options = doc_.Views().Options;
    options.ShowOtherParts = settings.ShowOtherParts;
    doc_.SetDisplayOptions(options);
    if (settings.UndoBudgetMiB)
        doc_.SetHistoryBudget(static_cast<std::size_t>(*settings.UndoBudgetMiB) << 20);
    connect(&doc_, &Document::recentFilesChanged, this, [this] {
        if (mnuQuickSep_ != nullptr)
            UpdateQLoad();
    });
}

void FileCommands::BuildItems(QMenu* file)
{
    QAction* n = AddMenuAction(file, "mnuNew", "&New", this, [this] { mnuNew_Click(); });
    n->setShortcut(QKeySequence::New);
    QAction* o = AddMenuAction(file, "mnuOpen", "&Open", this, [this] { mnuOpen_Click(); });
    o->setShortcut(QKeySequence::Open);
    mnuSave_ = AddMenuAction(file, "mnuSave", "&Save", this, [this] { mnuSave_Click(); });
    mnuSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuSaveAs_ = AddMenuAction(file, "mnuSaveAs", "Save &As (create new file)", this, [this] { mnuSaveAs_Click(); });
    mnuSaveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    // No model yet: only New, Open and the recent files can start one.
    mnuSave_->setEnabled(false);
    mnuSaveAs_->setEnabled(false);
}

void FileCommands::BuildQuickLoadItems(QMenu* file)
{
    mnuQuickSep_ = file->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        mnuQuickLoad_[static_cast<std::size_t>(i)] =
            AddMenuAction(file, "mnuQuickLoad", QString(), this, [this, i] { mnuQuickLoad_Click(i); });
        mnuQuickLoad_[static_cast<std::size_t>(i)]->setProperty("index", i);
    }
    UpdateQLoad();
}

void FileCommands::WriteIni()
{
    // The settings Mobrix does not change itself stay as the file has them,
    // also when the user changed them while Mobrix ran.
    IniSettings settings = ReadSettingsFile(iniPath_);
    settings.ShowOtherParts = doc_.Views().Options.ShowOtherParts;
    WriteIniFile(iniPath_, doc_.State().RecentFiles, settings);
}

void FileCommands::UpdateQLoad()
{
    mnuQuickSep_->setVisible(false);
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* entry = mnuQuickLoad_[static_cast<std::size_t>(i)];
        const std::string& slot = doc_.State().RecentFiles[static_cast<std::size_t>(i)];
        if (slot.empty()) {
            entry->setVisible(false);
            continue;
        }
        // A "&" in a path is shown as itself, not as an accelerator.
        QString caption = Path(QuickLoadCaption(i, slot));
        caption = caption.left(4) + caption.mid(4).replace("&", "&&");
        entry->setText(caption);
        entry->setData(Path(slot));
        entry->setVisible(true);
        mnuQuickSep_->setVisible(true);
    }
}

void FileCommands::mnuNew_Click()
{
    if (!doc_.Model().FileName.empty() && !dialogs_.AskYesNo("Are you sure?", "Start new file?"))
        return;
    // What a new model keeps of the one before is NewFCE's to say.
    CarModel model = doc_.Model();
    NewFCE(model);
    model.Header.PartNames.assign(kPartSlots, MakeName(""));
    model.FileFormat = ModelOrigin::Nfs3;
    AddPartSlot(model, "Part1");
    doc_.ReplaceModel(std::move(model), {.saveVariant = std::nullopt, .reportPath = {}, .reportAppends = true,
                                         .offersSave = false});
}

void FileCommands::mnuOpen_Click()
{
    const FileDialogResult chosen = dialogs_.File({FileDialogMode::Open, "*.FCE", kOpenFilters, "FCE", QString()});
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    const std::string path = chosen.path.toStdString();
    if (!QFileInfo(chosen.path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return;
    }
    const std::optional<FceVariant> variant = chosen.filterIndex == 3   ? std::optional(FceVariant::Nfs4)
                                              : chosen.filterIndex == 2 ? std::optional(FceVariant::Nfs3)
                                                                        : std::nullopt;
    ReadAnyFile(path, variant);
}

void FileCommands::OpenFromCommandLine(const QString& path)
{
    const std::string file = path.toStdString();
    if (!QFileInfo(path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return;
    }
    ReadAnyFile(file, std::nullopt);
}

// What Open, the command line and the recent list share: the reader by the
// file (an archive by its name or magic), the recent list, the texture.
FileCommands::ReadOutcome FileCommands::ReadAnyFile(const std::string& path, std::optional<FceVariant> variant)
{
    const ReadOutcome outcome = IsArchive(path) ? ReadArchive(path, variant)
                                                : ReadModelFile(path, variant.value_or(DetectVariant(path)));
    if (outcome == ReadOutcome::Failed)
        return outcome;
    RememberRecent(path, *doc_.State().SaveVariant);
    emit opened();
    return outcome;
}

std::optional<std::string> FileCommands::ChooseModelEntry(const std::string& path)
{
    auto listed = ListViv(path);
    if (const auto* failure = std::get_if<VivFailure>(&listed)) {
        dialogs_.Plain(kFileFormatTitle, FromLatin1(VivFailureMessage(*failure)));
        return std::nullopt;
    }
    QStringList models;
    for (const VivEntry& entry : std::get<VivArchive>(listed).entries)
        if (QString::fromStdString(entry.name).endsWith(".fce", Qt::CaseInsensitive))
            models << FromLatin1(entry.name);
    if (models.isEmpty()) {
        dialogs_.Plain(kFileFormatTitle, "This archive holds no FCE model.");
        return std::nullopt;
    }
    if (models.size() == 1)
        return models.front().toLatin1().toStdString();
    const int picked = dialogs_.PickFromList({"Which model of the archive do you want to open?", "Open", models});
    if (picked < 0 || picked >= models.size())
        return std::nullopt;
    return models[picked].toLatin1().toStdString();
}

// The model of the entry the user picks.
FileCommands::ReadOutcome FileCommands::ReadArchive(const std::string& path, std::optional<FceVariant> variant)
{
    const std::optional<std::string> entry = ChooseModelEntry(path);
    if (!entry)
        return ReadOutcome::Failed;
    return ReadArchiveEntry(path, *entry, variant);
}

// The model of one entry of the archive, read into a copy of the model as
// a loose file is. A refused archive or entry leaves everything as it was.
FileCommands::ReadOutcome FileCommands::ReadArchiveEntry(const std::string& path, const std::string& entry,
                                                         std::optional<FceVariant> variant)
{
    CarModel model = doc_.Model();
    std::variant<ArchiveModel, VivFailure> read;
    {
        BusyPointer busy;
        read = LoadModelFromArchive(model, path, entry, variant);
    }
    if (const auto* failure = std::get_if<VivFailure>(&read)) {
        if (failure->model)
            ShowLoadFailure(*failure->model);
        else
            dialogs_.Plain(kFileFormatTitle, FromLatin1(VivFailureMessage(*failure)));
        return ReadOutcome::Failed;
    }
    const ArchiveModel& from = std::get<ArchiveModel>(read);
    BusyPointer busy;
    model.FileName = path;
    doc_.ReplaceModel(std::move(model), {.saveVariant = from.variant, .reportPath = path, .reportAppends = false,
                                         .offersSave = true, .archive = {path, from.entryName}});
    return ReadOutcome::Read;
}

// The file just read goes to the top of the recent list.
void FileCommands::RememberRecent(const std::string& path, FceVariant variant)
{
    RecentSlots recent = doc_.State().RecentFiles;
    recent[kRecentCount] = RecentEntry(path, RecentFormatOf(variant));
    if (AddRecent(recent))
        doc_.SetRecentFiles(recent);
}

bool FileCommands::Reload()
{
    const std::string path = doc_.Model().FileName;
    if (path.empty() || !QFileInfo(Path(path)).isFile())
        return false;
    const std::string entry = doc_.State().ArchiveEntry;
    const ReadOutcome outcome = entry.empty() ? ReadModelFile(path, DetectVariant(path))
                                              : ReadArchiveEntry(path, entry, std::nullopt);
    return outcome == ReadOutcome::Read;
}

void FileCommands::mnuQuickLoad_Click(int index)
{
    if (index < 0 || index >= kRecentCount)
        return;
    const std::string entry = doc_.State().RecentFiles[static_cast<std::size_t>(index)];
    const std::string path = RecentPath(entry);
    if (!QFileInfo(Path(path)).isFile()) {
        dialogs_.Plain("Error loading file", "File not found!");
        return;
    }
    // An entry edited by hand may have lost its format digit; the file
    // itself then says which reader fits. An archive's entry says it too.
    const std::optional<RecentFormat> format = RecentEntryFormat(entry);
    if (IsArchive(path)) {
        if (ReadArchive(path, std::nullopt) == ReadOutcome::Read)
            emit opened();
        return;
    }
    const FceVariant variant = format ? VariantOf(*format) : DetectVariant(path);
    if (ReadModelFile(path, variant) == ReadOutcome::Read)
        emit opened();
}

// Reads the file with the reader of the variant into a copy of the model
// (an NFSIII file keeps the NFSIV-only fields the model held) that replaces
// it. A refused file leaves the model, the lists and the views as they were.
FileCommands::ReadOutcome FileCommands::ReadModelFile(const std::string& path, FceVariant variant)
{
    CarModel model = doc_.Model();
    LoadStatus failure;
    {
        BusyPointer busy;
        failure = OpenFCE(model, path, variant);
    }
    if (failure) {
        ShowLoadFailure(*failure);
        return ReadOutcome::Failed;
    }
    BusyPointer busy;
    model.FileName = path;
    doc_.ReplaceModel(std::move(model), {.saveVariant = variant, .reportPath = path, .reportAppends = false,
                                         .offersSave = true});
    return ReadOutcome::Read;
}

void FileCommands::ShowLoadFailure(const LoadFailure& failure)
{
    const QString text = FromLatin1(LoadFailureMessage(failure));
    if (failure.kind == LoadError::Other)
        dialogs_.Plain(kProgramTitle, text);
    else
        dialogs_.Plain(kFileFormatTitle, text);
}

void FileCommands::mnuSave_Click()
{
    const DocumentState& state = doc_.State();
    // A new or converted model has no FCE file of its own yet: ask for one
    // rather than overwrite the file opened before or write nothing.
    if (!state.SaveVariant || doc_.Model().FileName.empty()) {
        mnuSaveAs_Click();
        return;
    }
    const std::string path = doc_.Model().FileName;
    const FceVariant variant = *state.SaveVariant;
    if (!state.ArchiveEntry.empty()) {
        std::string written;
        if (WriteIntoArchive(path, state.ArchiveEntry, variant, written))
            doc_.Saved(path, variant, written);
        return;
    }
    if (WriteModelFile(path, variant))
        doc_.Saved(path, variant);
}

// The variant the model is saved in by "&Save": the one it was last saved
// or opened as.
FceVariant FileCommands::CurrentVariant() const
{
    const DocumentState& state = doc_.State();
    return state.SaveVariant ? *state.SaveVariant : VariantOfModel(doc_.Model());
}

// What the target variant cannot keep of the model, as the question's first
// lines; empty when it keeps everything.
QString FileCommands::DataLostIn(FceVariant variant) const
{
    QStringList lost;
    if (variant == FceVariant::Nfs3 && HoldsNfs4OnlyData(doc_.Model()))
        lost << "This model holds NFSIV data that an NFSIII file cannot keep: the second undamaged and the damaged "
                "vertex sets, and the interior and hair colours.";
    if (variant != FceVariant::Fce4m && HoldsFce4mOnlyData(doc_.Model()))
        lost << "This model holds FCE4M data that an " + VariantName(variant) +
                    " file cannot keep: the extra byte of each vertex.";
    return lost.join('\r');
}

// Saving in another variant asks first when data would be left out, and
// offers to give the parts the names of the target's convention when any
// would change. Nothing when the user says No; else whether to rename.
std::optional<bool> FileCommands::ConfirmVariantSave(FceVariant variant)
{
    const FceVariant from = CurrentVariant();
    const QString lost = DataLostIn(variant);
    const bool renames = from != variant && !PartRenamesForVariant(doc_.Model(), from, variant).empty();
    if (lost.isEmpty() && !renames)
        return false;
    MessageRequest question{MessageIcon::None, "Save As", QString(), MessageButtons::YesNo, MessageAnswer::Yes};
    if (!lost.isEmpty()) {
        question.icon = MessageIcon::Exclamation;
        question.defaultButton = MessageAnswer::No;
        question.text = lost + "\rSave it as an " + VariantName(variant) + " file anyway?";
    } else {
        question.text = "Some parts of this model have other names in an " + VariantName(variant) +
                        " file.\rSave it as an " + VariantName(variant) + " file?";
    }
    const QuestionAnswer answer =
        renames ? dialogs_.Ask(question, {"Give the parts their " + VariantName(variant) + " names", false})
                : QuestionAnswer{dialogs_.Message(question), false};
    if (answer.answer != MessageAnswer::Yes)
        return std::nullopt;
    return renames && answer.checked;
}

void FileCommands::mnuSaveAs_Click()
{
    const FceVariant current = CurrentVariant();
    FileDialogRequest request{FileDialogMode::Save, "*.FCE", kSaveFilters, "FCE", QString()};
    request.selectedFilter = SaveFilterOf(current);
    const FileDialogResult chosen = dialogs_.File(request);
    if (chosen.cancelled || chosen.path.isEmpty())
        return;
    const std::string path = chosen.path.toStdString();
    if (chosen.filterIndex == kArchiveSaveFilter || IsArchive(path)) {
        // An archive keeps the variant the model has; its entry is the one
        // the model came from when it is saved into its own archive again.
        const DocumentState& state = doc_.State();
        std::string written;
        if (!WriteIntoArchive(path, path == state.ArchivePath ? state.ArchiveEntry : std::string(), current, written))
            return;
        mnuSave_->setEnabled(true);
        doc_.Saved(path, current, written);
        return;
    }
    const FceVariant variant = VariantOfSaveFilter(chosen.filterIndex);
    const std::optional<bool> rename = ConfirmVariantSave(variant);
    if (!rename)
        return;
    if (*rename)
        doc_.EditHeader("Rename Parts", {.parts = true},
                        [&](CarModel& m) { return RenamePartsForVariant(m, current, variant) > 0; });
    if (!WriteModelFile(path, variant))
        return;
    mnuSave_->setEnabled(true);
    doc_.Saved(path, variant);
}

// Writes the model into the archive's entry (see PutModelInArchive): an
// existing archive keeps its other entries, a new one is made from the
// archive the model came from, or holds the model alone as car.fce.
bool FileCommands::WriteIntoArchive(const std::string& path, const std::string& entry, FceVariant variant,
                                    std::string& written)
{
    std::variant<std::string, VivFailure> put;
    {
        BusyPointer busy;
        doc_.PrepareForSave(variant);
        put = PutModelInArchive(doc_.Model(), variant, {path, entry}, doc_.State().ArchivePath);
    }
    if (const auto* failure = std::get_if<VivFailure>(&put)) {
        dialogs_.Plain(kProgramTitle, FromLatin1(VivFailureMessage(*failure)));
        return false;
    }
    written = std::get<std::string>(put);
    return true;
}

bool FileCommands::WriteModelFile(const std::string& path, FceVariant variant)
{
    SaveStatus failure;
    {
        BusyPointer busy;
        doc_.PrepareForSave(variant);
        failure = SaveFCEAs(doc_.Model(), path, variant);
    }
    if (failure) {
        dialogs_.Plain(kProgramTitle, FromLatin1(SaveFailureMessage(*failure)));
        return false;
    }
    return true;
}

} // namespace mobrix::app
