#pragma once
// The main window of Mobrix: a shell that builds the menus, places the
// panels and keeps the title. The document owns the model; the panels and
// command objects each cover one responsibility:
//  - FileCommands: New, Open, Save, Save As and the recent files;
//  - ExchangeCommands: part files, 3DS and X;
//  - ViewsPanel: the tool bar, the views, the mouse and keys in them;
//  - PartsPanel: the part and dummy lists along the right edge;
//  - EditorPanel: the vertex and triangle editors along the bottom, with the
//    UV remapper page (RemapPanel);
//  - TextureCommands: the texture map;
//  - TransformCommands: the mesh transforms, clean-up and part copying;
//  - DamageColourCommands: damage and the colour dialogs;
//  - PreviewCommands: the "3D View" menu and the preview in the fourth view;
//  - Autosave and RecoveryCommands: the recovery copy and recovery at start.

#include "dialogs/DialogService.h"
#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QMenu;

namespace mobrix::app {

class Autosave;
class DamageColourCommands;
class EditorPanel;
class ExchangeCommands;
class FileCommands;
class PartsPanel;
class TextureCommands;
class PreviewCommands;
class RecoveryCommands;
class TransformCommands;
class ViewInput;
class ViewsPanel;

struct Form1Setup {
    DialogService* dialogs = nullptr; // required
    std::string iniPath;              // where Mobrix.ini is read and written
    // Where recovery copies are kept; empty: no autosave and no recovery.
    std::string recoveryFolder = {};
    // Seconds between autosaves instead of Mobrix.ini's minutes (for tests).
    std::optional<int> autosaveSeconds = std::nullopt;
    bool stallAfterFirstWrite = false; // see AutosaveSetup
};

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Form1Setup& setup, QWidget* parent = nullptr);
    ~Form1() override;

    // Opens a file as "&Open" does when the chosen filter entry is the
    // file's variant (NFSIV when it starts with the NFSIV magic).
    void OpenFromCommandLine(const QString& path);
    // Offers the recovery copies that ended sessions left; whether one (or
    // its original file) was opened.
    bool OfferRecovery();

    class Document& Doc() { return *doc_; }
    const CarModel& Model() const { return doc_->Model(); }
    const ViewSettings& Views() const { return doc_->Views(); }
    const DocumentState& Document() const { return doc_->State(); }
    const views::ViewSurfaces& Surfaces() const;

    // The panels, for other windows and benchmarks that drive them.
    ViewsPanel& ViewsArea() { return *views_; }
    ViewInput& Input() { return *input_; }
    EditorPanel& Editors() { return *editor_; }
    PartsPanel& Parts() { return *parts_; }

    // Module routines other windows call.
    void AddNamedPart(const std::string& name);

    // Handlers of the shell's own items.
    void mnuExit_Click();
    void mnuEWin_Click();
    void mnuTWin_Click();
    void mnuFileInf_Click();
    void mnuKeys_Click();
    void mnuAbout_Click();
    void mnuStart_Click();
    void Form_Resize();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void BuildEditMenu();
    void BuildViewMenu();
    void BuildHelpMenu();
    void BuildStatusBar();
    void ConnectPanels();
    void SetEditingEnabled(bool withSave);
    void UpdateTitle();

    DialogService& dialogs_;
    QWidget* client_ = nullptr;
    // The window holds the document, the panels and the command objects
    // itself, declared in the order they depend on each other: members are
    // destroyed in reverse, so the command objects (which watch the panels'
    // widgets and call the panels) go first, then each panel with the
    // widgets it built, and the document last. Their Qt parents only place
    // them in the object tree for lookups.
    std::unique_ptr<class Document> doc_;
    std::unique_ptr<PartsPanel> parts_;
    std::unique_ptr<ViewsPanel> views_;
    std::unique_ptr<EditorPanel> editor_;
    std::unique_ptr<ViewInput> input_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<ExchangeCommands> exchange_;
    std::unique_ptr<TextureCommands> textures_;
    std::unique_ptr<PreviewCommands> preview_;
    std::unique_ptr<TransformCommands> transforms_;
    std::unique_ptr<DamageColourCommands> damageColours_;
    std::unique_ptr<Autosave> autosave_;
    std::unique_ptr<RecoveryCommands> recovery_;

    QMenu* mnuFile_ = nullptr;
    QMenu* mnuEdit_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QMenu* mnuTools_ = nullptr;
    QMenu* mnuParts_ = nullptr;
    QMenu* mnuHelp_ = nullptr;
    QAction* mnuEWin_ = nullptr;
    QAction* mnuTWin_ = nullptr;
    QFrame* statusBar_ = nullptr;
    StatusLabel* status_ = nullptr;
};

} // namespace mobrix::app
