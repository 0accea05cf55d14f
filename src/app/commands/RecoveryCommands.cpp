#include "commands/RecoveryCommands.h"

#include "support/BusyPointer.h"

#include <QFileInfo>

namespace mobrix::app {

namespace {

const QString kRecoverButton = "Recover";
const QString kOpenOriginalButton = "Open original";
const QString kDiscardButton = "Discard";

// "car.fce", "car.viv: car.fce", or "an untitled model".
QString ModelName(const RecoveryManifest& m)
{
    if (m.path.empty())
        return "an untitled model";
    QString name = QFileInfo(QString::fromStdString(m.path)).fileName();
    if (!m.archiveEntry.empty())
        name += ": " + QString::fromStdString(m.archiveEntry);
    return name;
}

} // namespace

RecoveryCommands::RecoveryCommands(Document& doc, DialogService& dialogs, Autosave& autosave, FileCommands& files,
                                   QObject* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), autosave_(autosave), files_(files)
{
}

bool RecoveryCommands::OfferLeftCopies()
{
    std::vector<LeftCopy> copies = autosave_.FindLeftCopies();
    for (LeftCopy& copy : copies)
        if (Offer(copy) == Outcome::Opened)
            return true;
    return false;
}

RecoveryCommands::Outcome RecoveryCommands::Offer(LeftCopy& copy)
{
    const RecoveryManifest& m = copy.manifest;
    QStringList buttons{kRecoverButton};
    if (!m.path.empty())
        buttons << kOpenOriginalButton;
    buttons << kDiscardButton;
    const QString text = "A recovery copy of " + ModelName(m) + " (written " + QString::fromStdString(m.writtenAt) +
                         ") holds changes that were not saved when Mobrix last ended.\r"
                         "Recover them, open the file as it was last saved, or discard the copy?";
    const int pressed = dialogs_.PickButton({text, "Recovery", buttons});
    if (pressed < 0 || pressed >= buttons.size())
        return Outcome::Kept;
    const QString& button = buttons[pressed];
    if (button == kRecoverButton)
        return Recover(copy);
    if (button == kOpenOriginalButton)
        return OpenOriginal(copy);
    copy.session.End();
    return Outcome::Dropped;
}

// An unreadable copy stays where it is, for the user to look at.
RecoveryCommands::Outcome RecoveryCommands::Recover(LeftCopy& copy)
{
    std::variant<RecoveredModel, std::string> read;
    {
        BusyPointer busy;
        read = ReadRecoveryCopy(copy);
    }
    if (const auto* failure = std::get_if<std::string>(&read)) {
        dialogs_.Plain("Recovery", "The recovery copy could not be read: " + QString::fromStdString(*failure) +
                                       "\rIt stays in " + QString::fromStdString(copy.session.Folder().string()));
        return Outcome::Kept;
    }
    RecoveredModel& recovered = std::get<RecoveredModel>(read);
    const RecoveryManifest& m = copy.manifest;
    BusyPointer busy;
    doc_.PutSections(recovered.sections);
    ModelSource source{.saveVariant = m.savesInVariant ? std::optional(m.variant) : std::nullopt,
                       .reportPath = m.path, // the report names the file the model belongs to
                       .reportAppends = false,
                       .offersSave = m.offersSave,
                       .archive = {m.archiveEntry.empty() ? std::string() : m.path, m.archiveEntry},
                       .modified = true};
    doc_.ReplaceModel(std::move(recovered.model), source);
    const QString texture = QString::fromStdString(m.texturePath);
    doc_.SetTexturePath(QFileInfo(texture).isFile() ? texture : QString());
    autosave_.Adopt(std::move(copy.session));
    return Outcome::Opened;
}

// The copy goes only once the file is open: if it cannot be, the copy may
// be all there is.
RecoveryCommands::Outcome RecoveryCommands::OpenOriginal(LeftCopy& copy)
{
    bool opened = false;
    const QMetaObject::Connection watch = connect(&doc_, &Document::modelReplaced, this, [&opened] { opened = true; });
    files_.OpenFromCommandLine(QString::fromStdString(copy.manifest.path));
    disconnect(watch);
    if (!opened)
        return Outcome::Kept;
    copy.session.End();
    return Outcome::Opened;
}

} // namespace mobrix::app
