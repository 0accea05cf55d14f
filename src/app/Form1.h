#pragma once
// The main window of Mobrix: menus, the tool bar with the view and
// vertex-set buttons, the five views, the editing window along the bottom,
// the tool window with the part and dummy lists along the right edge, and
// the status line.
//
// The window holds the model, the view state and the document state in
// plain structs; each handler calls the core functions on them, then
// refills the lists and redraws. Handlers carry the names modellers know
// from the tools of the era (mnuOpen_Click, PartList_Click, ...).

#include "CarModel.h"
#include "FceFiles.h"
#include "DialogService.h"
#include "ExchangeErrors.h"
#include "Layout.h"
#include "MeshEdit.h"
#include "RecentFiles.h"
#include "ViewDrawing.h"
#include "ViewMouse.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListView;
class QListWidget;
class QMenu;
class QPushButton;

namespace mobrix::views {
class ViewWidget;
}

namespace mobrix::app {

class NumberListModel;
struct EditorWidgets;

// What the window knows about the document besides the model itself.
struct DocumentState {
    RecentSlots RecentFiles;
    // The variant FileName was last read or written in, which "&Save"
    // writes again. Empty after "&New" and for converted models, which have
    // no FCE file of their own yet. Kept apart from the model's FileFormat,
    // which says what the model holds: an NFSIV model saved as NFSIII keeps
    // its damaged and second undamaged sets.
    std::optional<FceVariant> SaveVariant;
    bool ModelExists = false;
};

// What the views show and how.
struct ViewSettings {
    views::ViewState State;
    views::DisplayOptions Options;
    views::PartSelection Parts; // parts selected in the part list
    bool AllViews = true;       // the 2 x 2 grid
};

struct Form1Setup {
    DialogService* dialogs = nullptr; // required
    std::string iniPath;              // where Mobrix.ini is read and written
};

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Form1Setup& setup, QWidget* parent = nullptr);
    ~Form1() override;

    // Opens a file as "&Open" does when the chosen filter entry is the
    // file's variant (NFSIV when it starts with the NFSIV magic).
    void OpenFromCommandLine(const QString& path);

    const CarModel& Model() const { return model_; }
    CarModel& Model() { return model_; }
    const ViewSettings& Views() const { return view_; }
    const DocumentState& Document() const { return doc_; }
    const views::ViewSurfaces& Surfaces() const { return surfaces_; }

    // Module routines other windows call.
    void AddNamedPart(const std::string& name);
    void RescaleView();
    void RedrawView();

    // Handlers (public so that later editors and tests can reach them the
    // way the menus and buttons do).
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuQuickLoad_Click(int index);
    void mnuExit_Click();
    void mnuEWin_Click();
    void mnuTWin_Click();
    void mnuFileInf_Click();
    void cmdView_Click(int index);
    void SelFrame_Click(int index);
    void AddPart_Click();
    void RemovePart_Click();
    void NamePart_Click();
    void PartList_Click();
    void AddDummy_Click();
    void RemoveDummy_Click();
    void NameDummy_Click();
    void DummyList_Click();
    void Form_Resize();

    // Exchange commands: part files, 3DS and X.
    void mnuEPart_Click();
    void mnuIPart_Click();
    void mnuConv3DS_Click();
    void mnuConv3DSPRT_Click();
    void mnuEx3DS_Click();
    void mnuConvX_Click();
    // Editing: the modes of the Edit menu, the vertex and triangle editors,
    // the vertex-set buttons, the mouse in the views and the keys.
    void mnuPEdit_Click();
    void mnuVEdit_Click();
    void mnuDEdit_Click();
    void mnuUVEdit_Click();
    void mnuKeys_Click();
    void VertType_Click(int index);
    void VertList_Click();
    void VertSel_Click();
    void cmdApply_Click();
    void Command1_Click(); // "Add Vertice"
    void Command3_Click(); // "Remove Vert"
    void Command9_Click(); // "List Selected"
    void List1_Click();
    void TriList_Click();
    void cmdTriApply_Click();
    void Command2_Click(); // "Add Poly"
    void Command4_Click(); // "Remove Poly"
    void CmdTriSide_Click(int index);
    void View_MouseDown(int view, int button, int shift, float h, float v);
    void View_MouseMove(int view, int button, int shift, float h, float v);
    void View_MouseUp(int view, int button, int shift, float h, float v);
    void Form_KeyDown(int keyCode, int shift);
    void View_KeyDown(int view, int keyCode, int shift);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void BuildConversionItems();
    void BuildPartsMenu();
    void ShowExchangeFailure(ExchangeCommand command, const ExchangeFailure& failure);
    void ShowConvertedModel(const std::string& sourcePath);
    void BuildToolBar();
    void BuildViews();
    void BuildObjWindow();
    void BuildToolWindow();
    void BuildStatusBar();
    void Form_Load();

    // Document steps shared by the file commands.
    enum class ReadOutcome { Read, Failed };
    ReadOutcome ReadModelFile(const std::string& path, FceVariant variant);
    void FinishOpen(const std::string& path);
    void RememberRecent(const std::string& path, FceVariant variant);
    void ShowLoadFailure(const LoadFailure& failure);
    bool WriteModelFile(const std::string& path, FceVariant variant);
    void UpdateQLoad();
    void SetEditingEnabled(bool withSave);
    void SetVertTypeButtons(bool enabled);
    void ShowVertexSet(int set);
    void ResetPartNameTable();

    // Lists.
    void FillFileInfo(const std::string& fileName, bool clearFirst);
    void FillPartList();
    void FillDummyList();
    void SetPartListIndex(int index);
    void SelectListedPart(int index);
    void TakePartListSelection();
    void SetDummyListIndex(int index);
    void SelectListedDummy(int index);
    int AddNamedPartSlot(const std::string& name);
    void RefillPartCountLists(bool selectFirstVertex, bool selectFirstTriangle);
    void SyncPartSelection();

    // Views.
    views::DrawContext Drawing();
    void ShowCanvases();
    // Which views are shown: the drawing reads it from the surfaces, and
    // the widgets follow it.
    views::ViewVisibility VisibleViews() const;
    void ShowViews(const views::ViewVisibility& shown);
    void ToggleOption(bool views::DisplayOptions::*option, QAction* action, bool refit);
    void OnViewSystemRepaint(int view);
    void SetStatus(const QString& text);

    // Editing (Form1Editing.cpp).
    void BuildEditMenu();
    void BuildHelpMenu();
    void BuildEditors();
    void ConnectViewInput(views::ViewWidget* view);
    void SetEditMode(bool views::EditModes::*mode);
    void SetVertListRow(int row);
    void SetTriListRow(int row);
    void ApplyMouseOutcome(const views::MouseOutcome& outcome);
    void RunKeyCommand(const views::KeyCommand& command);
    bool EditablePartOrSay(MeshEditStatus status);
    int VertListRow() const;
    int TriListRow() const;

    DialogService& dialogs_;
    std::string iniPath_;

    CarModel model_;
    ViewSettings view_;
    DocumentState doc_;
    views::ViewSurfaces surfaces_;
    bool fillingLists_ = false;

    // Menus.
    QMenu* mnuFile_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QAction* mnuNew_ = nullptr;
    QAction* mnuOpen_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuSaveAs_ = nullptr;
    QAction* mnuQuickSep_ = nullptr;
    std::array<QAction*, kRecentCount> mnuQuickLoad_{};
    QAction* mnuExit_ = nullptr;
    QAction* mnuPolys_ = nullptr;
    QAction* mnuVerts_ = nullptr;
    QAction* mnuNorms_ = nullptr;
    QAction* mnuRes2_ = nullptr;
    QAction* mnuDummies_ = nullptr;
    QAction* mnuAspect_ = nullptr;
    QAction* mnuEWin_ = nullptr;
    QAction* mnuTWin_ = nullptr;
    QAction* mnuFileInf_ = nullptr;
    QMenu* mnuParts_ = nullptr;
    QAction* mnuEPart_ = nullptr;
    QAction* mnuIPart_ = nullptr;
    QAction* mnuConv3DS_ = nullptr;
    QAction* mnuConv3DSPRT_ = nullptr;
    QAction* mnuConvX_ = nullptr;
    QAction* mnuEx3DS_ = nullptr;

    // Panels and controls.
    QWidget* client_ = nullptr;
    QFrame* toolBar_ = nullptr;
    std::array<QPushButton*, 6> cmdView_{};
    std::array<QPushButton*, 3> vertType_{};
    std::array<views::ViewWidget*, views::kViewCount> viewWidgets_{};
    QListWidget* fileInfo_ = nullptr;
    QFrame* objWindow_ = nullptr;
    std::array<QPushButton*, 2> selFrame_{};
    std::array<QGroupBox*, 2> editFrame_{};
    QListView* vertList_ = nullptr;
    QListView* triList_ = nullptr;
    NumberListModel* vertListModel_ = nullptr;
    NumberListModel* triListModel_ = nullptr;
    QFrame* toolWindow_ = nullptr;
    QListWidget* partList_ = nullptr;
    QComboBox* dummyList_ = nullptr;
    QFrame* statusBar_ = nullptr;
    QLabel* status_ = nullptr;

    // Editing.
    QMenu* mnuEdit_ = nullptr;
    QMenu* mnuHelp_ = nullptr;
    QAction* mnuPEdit_ = nullptr;
    QAction* mnuVEdit_ = nullptr;
    QAction* mnuDEdit_ = nullptr;
    QAction* mnuUVEdit_ = nullptr;
    std::unique_ptr<EditorWidgets> editors_;
    views::ViewMouse mouse_;
};

// Raw single-byte text (names, tags, reserved blocks) for a list box: one
// visible character per byte, as the Windows code page shows it, control
// bytes as their symbols.
QString DisplayText(const std::string& bytes);

} // namespace mobrix::app
