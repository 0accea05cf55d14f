#pragma once
// The file commands of the main window: New, Open, Save, Save As and the
// quick-load entries of the recent-file list. Reading replaces the model
// in the document, which starts a fresh history; saving marks it clean.

#include "dialogs/DialogService.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "document/Document.h"

#include <QObject>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace mobrix::app {

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(Document& doc, DialogService& dialogs, std::string iniPath, QObject* parent);

    // The items New to Save As; the quick-load entries go after `before`.
    void BuildItems(QMenu* file);
    void BuildQuickLoadItems(QMenu* file);
    QAction* SaveItem() const { return mnuSave_; }
    QAction* SaveAsItem() const { return mnuSaveAs_; }

    // Opens a file as "&Open" does, choosing the reader by the file's magic.
    void OpenFromCommandLine(const QString& path);
    // Reads the document's file again: the same archive entry, the variant
    // by the file. False when there is no such file or it was refused.
    bool Reload();
    // Writes Mobrix.ini back, the recent-file list and the settings kept
    // between runs (at quitting).
    void WriteIni();

    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuQuickLoad_Click(int index);

signals:
    // A model was read from a file or an archive (not New or a conversion):
    // its texture is looked for.
    void opened();

private:
    enum class ReadOutcome { Read, Failed };
    // A loose FCE file, or a car archive when the name or magic says so.
    ReadOutcome ReadAnyFile(const std::string& path, std::optional<FceVariant> variant);
    ReadOutcome ReadModelFile(const std::string& path, FceVariant variant);
    ReadOutcome ReadArchive(const std::string& path, std::optional<FceVariant> variant);
    ReadOutcome ReadArchiveEntry(const std::string& path, const std::string& entry,
                                 std::optional<FceVariant> variant);
    // The .fce entry to open: the only one, or the one the user picks.
    std::optional<std::string> ChooseModelEntry(const std::string& path);
    bool WriteIntoArchive(const std::string& path, const std::string& entry, FceVariant variant,
                          std::string& written);
    void RememberRecent(const std::string& path, FceVariant variant);
    void ShowLoadFailure(const LoadFailure& failure);
    bool WriteModelFile(const std::string& path, FceVariant variant);
    FceVariant CurrentVariant() const;
    QString DataLostIn(FceVariant variant) const;
    std::optional<bool> ConfirmVariantSave(FceVariant variant);
    void UpdateQLoad();

    Document& doc_;
    DialogService& dialogs_;
    std::string iniPath_;
    QAction* mnuSave_ = nullptr;
    QAction* mnuSaveAs_ = nullptr;
    QAction* mnuQuickSep_ = nullptr;
    std::array<QAction*, kRecentCount> mnuQuickLoad_{};
};

} // namespace mobrix::app
