#include "Form1.h"

#include "dialogs/AboutWindows.h"
#include "document/Autosave.h"
#include "commands/DamageColourCommands.h"
#include "panels/EditorPanel.h"
#include "commands/ExchangeCommands.h"
#include "commands/FileCommands.h"
#include "commands/FileWatch.h"
#include "dialogs/FileInf.h"
#include "dialogs/KeysHelp.h"
#include "Layout.h"
#include "support/MenuAction.h"
#include "panels/PartsPanel.h"
#include "commands/TextureCommands.h"
#include "commands/PreviewCommands.h"
#include "commands/RecoveryCommands.h"
#include "commands/TransformCommands.h"
#include "ViewWidget.h"
#include "panels/ViewInput.h"
#include "panels/ViewsPanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>

#include <algorithm>

namespace mobrix::app {

namespace {

// Fixed panel sizes; the layout arranges everything else around them.
constexpr int kToolBarHeight = 30;
constexpr int kStatusBarHeight = 22;
constexpr int kEditWindowHeight = 150;
constexpr int kToolWindowWidth = 220;

// Mobrix.ini's minutes between recovery copies, at most a week.
int AutosaveSeconds(const IniSettings& settings)
{
    constexpr int kWeek = 7 * 24 * 60;
    return std::clamp(settings.AutosaveMinutes.value_or(kDefaultAutosaveMinutes), 0, kWeek) * 60;
}

} // namespace

Form1::Form1(const Form1Setup& setup, QWidget* parent)
    : QMainWindow(parent), dialogs_(*setup.dialogs)
{
    doc_ = std::make_unique<class Document>();
    setObjectName("Form1");
    setWindowTitle(kProgramTitle);
    client_ = new QWidget(this);
    client_->setObjectName("Client");
    client_->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(client_);
    client_->installEventFilter(this);

    BuildStatusBar();
    // The lists and editors take a new model first, so that the views draw
    // it once with the part selection in place.
    parts_ = std::make_unique<PartsPanel>(*doc_, dialogs_, *status_, client_);
    views_ = std::make_unique<ViewsPanel>(*doc_, *status_, client_);
    editor_ = std::make_unique<EditorPanel>(*doc_, dialogs_, *status_, client_);
    views_->ListenToDocument();
    input_ = std::make_unique<ViewInput>(*doc_, *status_, *views_, this);
    files_ = std::make_unique<FileCommands>(*doc_, dialogs_, setup.iniPath, this);
    // Owned by the file commands, whose reader it calls.
    new FileWatch(*doc_, dialogs_, *this, [files = files_.get()] { return files->Reload(); }, files_.get());
    exchange_ = std::make_unique<ExchangeCommands>(*doc_, dialogs_, this);
    textures_ = std::make_unique<TextureCommands>(*doc_, dialogs_, TextureCommands::TempBitmapBeside(setup.iniPath), this);
    connect(files_.get(), &FileCommands::opened, textures_.get(), &TextureCommands::LoadCarTexture);
    preview_ = std::make_unique<PreviewCommands>(*doc_, *status_, views_->View(views::View3D), views_->FileInfo(), this);
    transforms_ = std::make_unique<TransformCommands>(*doc_, dialogs_, *status_, this);
    damageColours_ = std::make_unique<DamageColourCommands>(*doc_, dialogs_, this);
    const int autosaveSeconds = setup.autosaveSeconds.value_or(AutosaveSeconds(ReadSettingsFile(setup.iniPath)));
    autosave_ = std::make_unique<Autosave>(
        *doc_, *status_, AutosaveSetup{setup.recoveryFolder, autosaveSeconds, setup.stallAfterFirstWrite}, this);
    recovery_ = std::make_unique<RecoveryCommands>(*doc_, dialogs_, *autosave_, *files_, this);
    BuildMenus();
    ConnectPanels();
    resize(1024, 720);
    SetEditingEnabled(false);
    mnuView_->menuAction()->setEnabled(false);
    mnuEdit_->menuAction()->setEnabled(false);
    mnuTools_->menuAction()->setEnabled(false);
    mnuParts_->menuAction()->setEnabled(false);
    editor_->ObjWindow()->setEnabled(false);
    parts_->ToolWindow()->setEnabled(false);
}

// The members take themselves down in the order their declaration gives;
// the window's own watch on the client area ends first.
Form1::~Form1()
{
    client_->removeEventFilter(this);
}

const views::ViewSurfaces& Form1::Surfaces() const
{
    return views_->Surfaces();
}

void Form1::OpenFromCommandLine(const QString& path)
{
    files_->OpenFromCommandLine(path);
}

bool Form1::OfferRecovery()
{
    return recovery_->OfferLeftCopies();
}

void Form1::AddNamedPart(const std::string& name)
{
    parts_->AddNamedPart(name);
}

// ---------------------------------------------------------------------------
// Building the window

void Form1::BuildMenus()
{
    mnuFile_ = menuBar()->addMenu("&File");
    mnuFile_->setObjectName("mnuFile");
    files_->BuildItems(mnuFile_);
    exchange_->BuildConversionItems(mnuFile_);
    textures_->BuildItems(mnuFile_);
    files_->BuildQuickLoadItems(mnuFile_);
    mnuFile_->addSeparator();
    AddMenuAction(mnuFile_, "mnuExit", "Exit", this, [this] { mnuExit_Click(); });

    BuildEditMenu();
    BuildViewMenu();

    mnuTools_ = menuBar()->addMenu("&Tools");
    mnuTools_->setObjectName("mnuTools");
    transforms_->BuildToolItems(mnuTools_);
    damageColours_->BuildToolItems(mnuTools_);

    mnuParts_ = menuBar()->addMenu("&Parts");
    mnuParts_->setObjectName("mnuParts");
    exchange_->BuildPartItems(mnuParts_);

    BuildHelpMenu();
}

void Form1::BuildEditMenu()
{
    mnuEdit_ = menuBar()->addMenu("&Edit");
    mnuEdit_->setObjectName("mnuEdit");
    QUndoStack& history = doc_->History();
    QAction* undo = history.createUndoAction(this, "&Undo");
    undo->setObjectName("mnuUndo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = history.createRedoAction(this, "&Redo");
    redo->setObjectName("mnuRedo");
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    mnuEdit_->addAction(undo);
    mnuEdit_->addAction(redo);
    // The shortcuts work while the menu bar item is disabled too.
    addAction(undo);
    addAction(redo);
    mnuEdit_->addSeparator();
    views_->BuildModeItems(mnuEdit_);
    mnuEdit_->addSeparator();
    transforms_->BuildEditItems(mnuEdit_);
    damageColours_->BuildEditItems(mnuEdit_);
}

void Form1::BuildViewMenu()
{
    mnuView_ = menuBar()->addMenu("&View");
    mnuView_->setObjectName("mnuView");
    views_->BuildViewMenu(mnuView_);
    mnuView_->addSeparator();
    mnuEWin_ = AddMenuAction(mnuView_, "mnuEWin", "Editing Window", this, [this] { mnuEWin_Click(); });
    mnuEWin_->setCheckable(true);
    mnuEWin_->setChecked(true);
    mnuTWin_ = AddMenuAction(mnuView_, "mnuTWin", "Tool Window", this, [this] { mnuTWin_Click(); });
    mnuTWin_->setCheckable(true);
    mnuTWin_->setChecked(true);
    mnuView_->addSeparator();
    AddMenuAction(mnuView_, "mnuFileInf", "File Information", this, [this] { mnuFileInf_Click(); });
    preview_->BuildItems(mnuView_);
}

void Form1::BuildHelpMenu()
{
    mnuHelp_ = menuBar()->addMenu("&Help");
    mnuHelp_->setObjectName("mnuHelp");
    QAction* keys = AddMenuAction(mnuHelp_, "mnuKeys", "&Keys (Read first!)", this, [this] { mnuKeys_Click(); });
    keys->setShortcut(QKeySequence(Qt::Key_F1));
    AddMenuAction(mnuHelp_, "mnuStart", "&Getting Started", this, [this] { mnuStart_Click(); });
    mnuHelp_->addSeparator();
    AddMenuAction(mnuHelp_, "mnuAbout", "&About Mobrix", this, [this] { mnuAbout_Click(); });
}

void Form1::BuildStatusBar()
{
    statusBar_ = new QFrame(client_);
    statusBar_->setObjectName("StatusBar");
    statusBar_->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(statusBar_);
    row->setContentsMargins(4, 0, 4, 0);
    status_ = new StatusLabel(statusBar_);
    status_->setObjectName("Status");
    row->addWidget(status_);
}

void Form1::ConnectPanels()
{
    connect(input_.get(), &ViewInput::renamePartRequested, parts_.get(), &PartsPanel::NamePart_Click);
    connect(input_.get(), &ViewInput::renameDummyRequested, parts_.get(), &PartsPanel::NameDummy_Click);
    connect(input_.get(), &ViewInput::vertexRowChosen, editor_.get(), &EditorPanel::SetVertListRow);
    connect(input_.get(), &ViewInput::triangleRowChosen, editor_.get(), &EditorPanel::SetTriListRow);
    connect(input_.get(), &ViewInput::vertexFieldsStale, editor_.get(), &EditorPanel::VertList_Click);
    // The editing menus open up with the first model; "&Save" as the model
    // says.
    connect(exchange_.get(), &ExchangeCommands::saveOffered, this, [this] { SetEditingEnabled(true); });
    connect(doc_.get(), &Document::modelReplaced, this, [this] {
        SetEditingEnabled(doc_->State().OffersSave);
        UpdateTitle();
    });
    connect(doc_.get(), &Document::allViewsChanged, this, [this] { Form_Resize(); });
    connect(doc_.get(), &Document::saved, this, [this] { UpdateTitle(); });
    connect(&doc_->History(), &QUndoStack::cleanChanged, this, [this] { UpdateTitle(); });
    connect(doc_.get(), &Document::oldStepsDropped, this, [this] { status_->Show(kOldStepsDroppedText); });
}

// ---------------------------------------------------------------------------
// Document state

// "name[*] - Mobrix": the file's name ("car.viv: car.fce" for a model in a
// car archive), or "Untitled" for a model without a file of its own; the marker shows while the history is away from the
// state last saved or opened.
void Form1::UpdateTitle()
{
    const CarModel& model = doc_->Model();
    const bool ownFile = doc_->State().SaveVariant.has_value() && !model.FileName.empty();
    QString name = ownFile ? QFileInfo(QString::fromStdString(model.FileName)).fileName() : "Untitled";
    if (ownFile && !doc_->State().ArchiveEntry.empty())
        name += ": " + QString::fromStdString(doc_->State().ArchiveEntry);
    setWindowTitle(name + "[*] - " + kProgramTitle);
    setWindowModified(!doc_->History().isClean());
}

void Form1::SetEditingEnabled(bool withSave)
{
    if (withSave)
        files_->SaveItem()->setEnabled(true);
    if (!doc_->State().ModelExists)
        return;
    files_->SaveAsItem()->setEnabled(true);
    mnuView_->setEnabled(true);
    mnuView_->menuAction()->setEnabled(true);
    exchange_->Export3dsItem()->setEnabled(true);
    mnuParts_->menuAction()->setEnabled(true);
    mnuEdit_->menuAction()->setEnabled(true);
    mnuTools_->menuAction()->setEnabled(true);
    editor_->ObjWindow()->setEnabled(true);
    parts_->ToolWindow()->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Closing

void Form1::closeEvent(QCloseEvent* event)
{
    const bool quit = dialogs_.AskYesNo("Exit", "Are you sure you want to quit? (Have you saved changes?)",
                                        MessageIcon::Information, MessageAnswer::No);
    if (!quit) {
        event->ignore();
        return;
    }
    files_->WriteIni();
    autosave_->EndSession();
    event->accept();
}

void Form1::mnuExit_Click()
{
    close();
}

// ---------------------------------------------------------------------------
// Windows

void Form1::mnuFileInf_Click()
{
    auto* window = new FileInf(doc_->Model(), this);
    window->show();
}

void Form1::mnuKeys_Click()
{
    auto* help = new KeysHelp(this);
    help->show();
}

void Form1::mnuAbout_Click()
{
    auto* about = new AboutWindow(this);
    about->show();
}

void Form1::mnuStart_Click()
{
    auto* start = new GettingStartedWindow(this);
    start->show();
}

void Form1::mnuEWin_Click()
{
    editor_->ObjWindow()->setVisible(mnuEWin_->isChecked());
    Form_Resize();
}

void Form1::mnuTWin_Click()
{
    parts_->ToolWindow()->setVisible(mnuTWin_->isChecked());
    Form_Resize();
}

// ---------------------------------------------------------------------------
// Layout and keys

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Resize()
{
    if (isMinimized())
        return;
    QFrame* toolWindow = parts_->ToolWindow();
    QFrame* editWindow = editor_->ObjWindow();
    QFrame* toolBar = views_->ToolBar();
    views::LayoutInput in;
    in.clientWidth = client_->width();
    in.clientHeight = client_->height();
    in.statusBarHeight = kStatusBarHeight;
    in.toolWindowVisible = !toolWindow->isHidden();
    in.toolWindowWidth = kToolWindowWidth;
    in.editWindowVisible = !editWindow->isHidden();
    in.editWindowHeight = kEditWindowHeight;
    in.toolBarVisible = !toolBar->isHidden();
    in.toolBarHeight = kToolBarHeight;
    in.allViews = doc_->Views().AllViews;
    const views::LayoutResult out = views::ComputeLayout(in);

    auto place = [](QWidget* w, const views::Rect& r) { w->setGeometry(r.x, r.y, r.width, r.height); };
    place(statusBar_, out.statusBar);
    if (out.toolWindow)
        place(toolWindow, *out.toolWindow);
    if (out.editWindow)
        place(editWindow, *out.editWindow);
    if (out.toolBar)
        place(toolBar, *out.toolBar);
    for (int v = 0; v < views::kViewCount; ++v) {
        QWidget* view = views_->View(v);
        if (const auto& r = out.views[static_cast<std::size_t>(v)])
            place(view, *r);
        else if (!view->isVisible())
            // A view the grid leaves out is kept over the view area while it
            // is hidden, so that the single-view keys show it in a sensible place.
            place(view, out.viewArea);
    }
    views_->LaidOut();
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    // Keys reach the window when it or its client area has the focus (the
    // views pass theirs on themselves). A key a field, list or button
    // passed on is not a command: Up in a coordinate field must not nudge.
    const QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus != client_ && focus != this) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    const int key = views::VirtualKeyCode(event->key(), event->modifiers(), event->nativeScanCode());
    if (key == 0) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    input_->Form_KeyDown(key, views::ShiftState(event->modifiers()));
}

} // namespace mobrix::app
