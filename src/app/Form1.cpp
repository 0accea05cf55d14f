#include "Form1.h"

#include "BusyPointer.h"
#include "EditorPanels.h"
#include "FileInf.h"
#include "FileInfoReport.h"
#include "Latin1.h"
#include "MenuAction.h"
#include "NumberListModel.h"
#include "PartsDummies.h"
#include "ViewWidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <tuple>

namespace mobrix::app {

namespace {

const QStringList kFceFilters{"NFSIII FCE File|*.FCE", "NFSIV FCE File|*.FCE"};

// Fixed panel sizes; the layout arranges everything else around them.
constexpr int kToolBarHeight = 30;
constexpr int kStatusBarHeight = 22;
constexpr int kEditWindowHeight = 150;
constexpr int kToolWindowWidth = 220;


void SetBold(QWidget* w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

QString Path(const std::string& path)
{
    return QString::fromStdString(path);
}

} // namespace

QString DisplayText(const std::string& bytes)
{
    // Bytes 0x80 to 0x9F are control characters in Latin-1 and would vanish
    // from the fixed-width rows; they show as the Windows code page shows
    // them, where the files come from (its five unused bytes as U+FFFD).
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20)
            text += QChar(0x2400 + b); // the symbol for the control byte
        else if (b == 0x7F)
            text += QChar(0x2421);
        else if (b >= 0x80 && b < 0xA0)
            text += QChar(kHighControls[b - 0x80]);
        else
            text += QChar(b);
    }
    return text;
}

Form1::Form1(const Form1Setup& setup, QWidget* parent)
    : QMainWindow(parent), dialogs_(*setup.dialogs), iniPath_(setup.iniPath)
{
    setObjectName("Form1");
    setWindowTitle(kProgramTitle);
    client_ = new QWidget(this);
    client_->setObjectName("Client");
    client_->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(client_);
    client_->installEventFilter(this);

    BuildMenus();
    BuildToolBar();
    BuildViews();
    BuildObjWindow();
    BuildToolWindow();
    BuildStatusBar();
    resize(1024, 720);
    Form_Load();
}

// The views refer to canvases this window owns: take them down first.
Form1::~Form1()
{
    delete takeCentralWidget();
}

// ---------------------------------------------------------------------------
// Building the window

void Form1::BuildMenus()
{
    auto action = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        return AddMenuAction(menu, name, caption, this, handler);
    };

    mnuFile_ = menuBar()->addMenu("&File");
    mnuFile_->setObjectName("mnuFile");
    mnuNew_ = action(mnuFile_, "mnuNew", "&New", [this] { mnuNew_Click(); });
    mnuOpen_ = action(mnuFile_, "mnuOpen", "&Open", [this] { mnuOpen_Click(); });
    mnuSave_ = action(mnuFile_, "mnuSave", "&Save", [this] { mnuSave_Click(); });
    mnuSaveAs_ = action(mnuFile_, "mnuSaveAs", "Save &As (create new file)", [this] { mnuSaveAs_Click(); });
    BuildConversionItems();
    mnuQuickSep_ = mnuFile_->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        mnuQuickLoad_[static_cast<std::size_t>(i)] =
            action(mnuFile_, "mnuQuickLoad", QString(), [this, i] { mnuQuickLoad_Click(i); });
        mnuQuickLoad_[static_cast<std::size_t>(i)]->setProperty("index", i);
    }
    mnuFile_->addSeparator();
    mnuExit_ = action(mnuFile_, "mnuExit", "Exit", [this] { mnuExit_Click(); });

    mnuView_ = menuBar()->addMenu("&View");
    mnuView_->setObjectName("mnuView");
    auto toggle = [&](const char* name, const QString& caption, bool views::DisplayOptions::*option, bool refit) {
        QAction* a = mnuView_->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setChecked(view_.Options.*option);
        connect(a, &QAction::triggered, this, [this, a, option, refit] { ToggleOption(option, a, refit); });
        return a;
    };
    mnuPolys_ = toggle("mnuPolys", "&Polygons", &views::DisplayOptions::Polygons, false);
    mnuVerts_ = toggle("mnuVerts", "V&ertices", &views::DisplayOptions::Vertices, false);
    mnuNorms_ = toggle("mnuNorms", "&Normals", &views::DisplayOptions::Normals, false);
    mnuRes2_ = toggle("mnuRes2", "Reserved 2", &views::DisplayOptions::Reserved2, false);
    mnuDummies_ = toggle("mnuDummies", "&Dummies", &views::DisplayOptions::Dummies, false);
    mnuAspect_ = toggle("mnuAspect", "Maintain Aspect Ratio", &views::DisplayOptions::MaintainAspect, true);
    mnuView_->addSeparator();
    mnuEWin_ = action(mnuView_, "mnuEWin", "Editing Window", [this] { mnuEWin_Click(); });
    mnuEWin_->setCheckable(true);
    mnuEWin_->setChecked(true);
    mnuTWin_ = action(mnuView_, "mnuTWin", "Tool Window", [this] { mnuTWin_Click(); });
    mnuTWin_->setCheckable(true);
    mnuTWin_->setChecked(true);
    mnuView_->addSeparator();
    mnuFileInf_ = action(mnuView_, "mnuFileInf", "File Information", [this] { mnuFileInf_Click(); });

    BuildPartsMenu();
    BuildEditMenu();
    BuildHelpMenu();
}

void Form1::BuildToolBar()
{
    toolBar_ = new QFrame(client_);
    toolBar_->setObjectName("ToolBar");
    auto* row = new QHBoxLayout(toolBar_);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const char* captions[] = {"3D", "XY", "ZX", "ZY", "UV", "All"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QPushButton(captions[i], toolBar_);
        b->setObjectName(QString("cmdView%1").arg(i));
        b->setFixedWidth(36);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdView_Click(i); });
        row->addWidget(b);
        cmdView_[static_cast<std::size_t>(i)] = b;
    }
    SetBold(cmdView_[views::kAllViewsButton], true);
    row->addSpacing(16);
    const char* setCaptions[] = {"V1", "V2", "D"};
    const char* setTips[] = {"Show Undamaged (Normal) Verts", "Show Undamaged Verts 2?", "Show Damaged Verts"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(setCaptions[i], toolBar_);
        b->setObjectName(QString("VertType%1").arg(i));
        b->setToolTip(setTips[i]);
        b->setFixedWidth(36);
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, i] { VertType_Click(i); });
        row->addWidget(b);
        vertType_[static_cast<std::size_t>(i)] = b;
    }
    row->addStretch(1);
}

void Form1::BuildViews()
{
    for (int v = 0; v < views::kViewCount; ++v) {
        auto* w = new views::ViewWidget(v, surfaces_[static_cast<std::size_t>(v)], client_);
        w->setObjectName(QString("View%1").arg(v));
        w->onSystemRepaint = [this](int view) { OnViewSystemRepaint(view); };
        ConnectViewInput(w);
        viewWidgets_[static_cast<std::size_t>(v)] = w;
    }
    // The file information list sits in the fourth view's place.
    fileInfo_ = new QListWidget(viewWidgets_[views::View3D]);
    fileInfo_->setObjectName("FileInfo");
    fileInfo_->setFocusPolicy(Qt::ClickFocus);
    viewWidgets_[views::View3D]->onResized = [this](int) {
        const QWidget* host = viewWidgets_[views::View3D];
        fileInfo_->setGeometry(views::kViewBorder, views::kViewBorder, host->width() - 2 * views::kViewBorder,
                               host->height() - 2 * views::kViewBorder);
    };
    ShowViews(views::ViewsShownByButton(views::kAllViewsButton));
}

void Form1::BuildObjWindow()
{
    objWindow_ = new QFrame(client_);
    objWindow_->setObjectName("ObjWindow");
    objWindow_->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(objWindow_);
    row->setContentsMargins(2, 2, 2, 2);

    auto* selColumn = new QVBoxLayout;
    const char* captions[] = {"V", "T"};
    const char* tips[] = {"Vertice Editor", "Triangle Editor"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(captions[i], objWindow_);
        b->setObjectName(QString("SelFrame%1").arg(i));
        b->setToolTip(tips[i]);
        b->setFixedWidth(24);
        connect(b, &QPushButton::clicked, this, [this, i] { SelFrame_Click(i); });
        selColumn->addWidget(b);
        selFrame_[static_cast<std::size_t>(i)] = b;
    }
    selColumn->addStretch(1);
    row->addLayout(selColumn);

    auto makeList = [&](const char* frameName, const char* title, const char* listName, NumberListModel*& model) {
        auto* frame = new QGroupBox(title, objWindow_);
        frame->setObjectName(frameName);
        auto* inner = new QHBoxLayout(frame);
        auto* list = new QListView(frame);
        list->setObjectName(listName);
        list->setUniformItemSizes(true);
        list->setFixedWidth(90);
        model = new NumberListModel(list);
        list->setModel(model);
        inner->addWidget(list);
        inner->addStretch(1);
        row->addWidget(frame, 1);
        return std::pair{frame, list};
    };
    std::tie(editFrame_[0], vertList_) = makeList("EditFrame0", "Vertices", "VertList", vertListModel_);
    std::tie(editFrame_[1], triList_) = makeList("EditFrame1", "Triangles", "TriList", triListModel_);
    triList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    editFrame_[1]->hide();
    BuildEditors();
}

void Form1::BuildToolWindow()
{
    toolWindow_ = new QFrame(client_);
    toolWindow_->setObjectName("ToolWindow");
    toolWindow_->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(toolWindow_);
    column->setContentsMargins(4, 4, 4, 4);

    auto buttonRow = [this](QWidget* parent, QVBoxLayout* into, const char* const* names, const auto& handlers) {
        auto* row = new QHBoxLayout;
        const char* captions[] = {"Add", "Remove", "Rename"};
        for (int i = 0; i < 3; ++i) {
            auto* b = new QPushButton(captions[i], parent);
            b->setObjectName(names[i]);
            connect(b, &QPushButton::clicked, this, handlers[i]);
            row->addWidget(b);
        }
        into->addLayout(row);
    };

    auto* parts = new QGroupBox("Parts", toolWindow_);
    parts->setObjectName("PartsFrame");
    auto* partsColumn = new QVBoxLayout(parts);
    partList_ = new QListWidget(parts);
    partList_->setObjectName("PartList");
    partList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    partsColumn->addWidget(partList_);
    const char* partButtons[] = {"AddPart", "RemovePart", "NamePart"};
    std::array<std::function<void()>, 3> partHandlers{[this] { AddPart_Click(); }, [this] { RemovePart_Click(); },
                                                      [this] { NamePart_Click(); }};
    buttonRow(parts, partsColumn, partButtons, partHandlers);
    column->addWidget(parts, 1);
    connect(partList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fillingLists_)
            PartList_Click();
    });

    auto* dummies = new QGroupBox("Dummies", toolWindow_);
    dummies->setObjectName("DummiesFrame");
    auto* dummiesColumn = new QVBoxLayout(dummies);
    dummyList_ = new QComboBox(dummies);
    dummyList_->setObjectName("DummyList");
    dummiesColumn->addWidget(dummyList_);
    const char* dummyButtons[] = {"AddDummy", "RemoveDummy", "NameDummy"};
    std::array<std::function<void()>, 3> dummyHandlers{[this] { AddDummy_Click(); }, [this] { RemoveDummy_Click(); },
                                                       [this] { NameDummy_Click(); }};
    buttonRow(dummies, dummiesColumn, dummyButtons, dummyHandlers);
    column->addWidget(dummies);
    connect(dummyList_, &QComboBox::currentIndexChanged, this, [this](int) {
        if (!fillingLists_)
            DummyList_Click();
    });
}

void Form1::BuildStatusBar()
{
    statusBar_ = new QFrame(client_);
    statusBar_->setObjectName("StatusBar");
    statusBar_->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(statusBar_);
    row->setContentsMargins(4, 0, 4, 0);
    status_ = new QLabel(statusBar_);
    status_->setObjectName("Status");
    row->addWidget(status_);
}

// ---------------------------------------------------------------------------
// Start-up and closing

void Form1::Form_Load()
{
    // No model yet: only New, Open and the recent files can start one.
    mnuSave_->setEnabled(false);
    mnuView_->setEnabled(false);
    mnuView_->menuAction()->setEnabled(false);
    mnuEdit_->menuAction()->setEnabled(false);
    mnuSaveAs_->setEnabled(false);
    mnuEx3DS_->setEnabled(false);
    mnuParts_->menuAction()->setEnabled(false);
    objWindow_->setEnabled(false);
    toolWindow_->setEnabled(false);
    editors_->triangle.SmoothList->addItems({"1 - Don't Chrome", "2 - High Chrome", "3 - "});
    doc_.RecentFiles = ReadRecentFile(iniPath_);
    UpdateQLoad();
}

void Form1::closeEvent(QCloseEvent* event)
{
    const bool quit = dialogs_.AskYesNo("Exit", "Are you sure you want to quit? (Have you saved changes?)",
                                        MessageIcon::Information, MessageAnswer::No);
    if (!quit) {
        event->ignore();
        return;
    }
    WriteRecentFile(iniPath_, doc_.RecentFiles);
    event->accept();
}

void Form1::mnuExit_Click()
{
    close();
}

void Form1::UpdateQLoad()
{
    mnuQuickSep_->setVisible(false);
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* entry = mnuQuickLoad_[static_cast<std::size_t>(i)];
        const std::string& slot = doc_.RecentFiles[static_cast<std::size_t>(i)];
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

// ---------------------------------------------------------------------------
// File commands

void Form1::mnuNew_Click()
{
    if (!model_.FileName.empty() && !dialogs_.AskYesNo("Are you sure?", "Start new file?"))
        return;
    NewFCE(model_);
    FillFileInfo(std::string(), false);
    partList_->clear();
    fillingLists_ = true;
    dummyList_->clear();
    fillingLists_ = false;
    ResetPartNameTable();
    model_.FileFormat = ModelOrigin::Nfs3;
    SetVertTypeButtons(false);
    doc_.SaveVariant.reset();
    doc_.ModelExists = true;
    if (const int part = AddNamedPartSlot("Part1"); part >= 0)
        SelectListedPart(part);
    SetEditingEnabled(false);
    RescaleView();
    RedrawView();
}

void Form1::ResetPartNameTable()
{
    model_.Header.PartNames.assign(kPartSlots, MakeName(""));
}

void Form1::mnuOpen_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Open, "*.FCE", kFceFilters, "FCE", QString()});
    if (chosen.cancelled)
        return;
    const std::string path = chosen.path.toStdString();
    if (!path.empty()) {
        if (!QFileInfo(chosen.path).isFile()) {
            dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
            return;
        }
        const FceVariant variant = chosen.filterIndex == 2 ? FceVariant::Nfs4 : FceVariant::Nfs3;
        if (ReadModelFile(path, variant) == ReadOutcome::Failed)
            return;
        RememberRecent(path, variant);
    }
    FinishOpen(path);
}

void Form1::OpenFromCommandLine(const QString& path)
{
    const std::string file = path.toStdString();
    if (!QFileInfo(path).isFile()) {
        dialogs_.Warning(kErrorTitle, kFileNotFoundMessage);
        return;
    }
    const FceVariant variant = DetectVariant(file);
    if (ReadModelFile(file, variant) == ReadOutcome::Failed)
        return;
    RememberRecent(file, variant);
    FinishOpen(file);
}

// The file just read goes to the top of the recent list.
void Form1::RememberRecent(const std::string& path, FceVariant variant)
{
    doc_.RecentFiles[kRecentCount] =
        RecentEntry(path, variant == FceVariant::Nfs4 ? RecentFormat::Nfs4 : RecentFormat::Nfs3);
    if (AddRecent(doc_.RecentFiles))
        UpdateQLoad();
}

void Form1::mnuQuickLoad_Click(int index)
{
    if (index < 0 || index >= kRecentCount)
        return;
    const std::string entry = doc_.RecentFiles[static_cast<std::size_t>(index)];
    const std::string path = RecentPath(entry);
    if (!QFileInfo(Path(path)).isFile()) {
        dialogs_.Plain("Error loading file", "File not found!");
        return;
    }
    // An entry edited by hand may have lost its format digit; the file
    // itself then says which reader fits.
    const std::optional<RecentFormat> format = RecentEntryFormat(entry);
    const FceVariant variant = format ? (*format == RecentFormat::Nfs4 ? FceVariant::Nfs4 : FceVariant::Nfs3)
                                      : DetectVariant(path);
    if (ReadModelFile(path, variant) == ReadOutcome::Failed)
        return;
    FinishOpen(path);
}

// Reads the file into the model with the reader of the variant. The readers
// change nothing when they fail, so a refused file leaves the model, the
// lists and the views as they were.
Form1::ReadOutcome Form1::ReadModelFile(const std::string& path, FceVariant variant)
{
    LoadStatus failure;
    {
        BusyPointer busy;
        failure = OpenFCE(model_, path, variant);
    }
    if (failure) {
        ShowLoadFailure(*failure);
        return ReadOutcome::Failed;
    }
    BusyPointer busy;
    doc_.SaveVariant = variant;
    FillFileInfo(path, true);
    FillPartList();
    FillDummyList();
    SetVertTypeButtons(variant == FceVariant::Nfs4);
    RescaleView();
    return ReadOutcome::Read;
}

void Form1::ShowLoadFailure(const LoadFailure& failure)
{
    const QString text = FromLatin1(LoadFailureMessage(failure));
    if (failure.kind == LoadError::Other)
        dialogs_.Plain(kProgramTitle, text);
    else
        dialogs_.Plain(kFileFormatTitle, text);
}

void Form1::FinishOpen(const std::string& path)
{
    RefillPartCountLists(true, true);
    model_.FileName = path;
    doc_.ModelExists = true;
    SetEditingEnabled(true);
    RedrawView();
}

void Form1::mnuSave_Click()
{
    // A new or converted model has no FCE file of its own yet: ask for one
    // rather than overwrite the file opened before or write nothing.
    if (!doc_.SaveVariant || model_.FileName.empty()) {
        mnuSaveAs_Click();
        return;
    }
    WriteModelFile(model_.FileName, *doc_.SaveVariant);
}

void Form1::mnuSaveAs_Click()
{
    const FileDialogResult chosen =
        dialogs_.File({FileDialogMode::Save, "*.FCE", kFceFilters, "FCE", QString()});
    if (chosen.cancelled)
        return;
    const std::string path = chosen.path.toStdString();
    if (!path.empty()) {
        const FceVariant variant = chosen.filterIndex == 2 ? FceVariant::Nfs4 : FceVariant::Nfs3;
        if (!WriteModelFile(path, variant))
            return;
        // "&Save" must now write this variant, or it would put the other
        // variant's bytes into the file just saved.
        doc_.SaveVariant = variant;
        // An NFSIV save gave the model its three vertex sets; from now on
        // the editing routines keep them in step.
        if (variant == FceVariant::Nfs4)
            model_.FileFormat = ModelOrigin::Nfs4;
        SetVertTypeButtons(variant == FceVariant::Nfs4);
    }
    model_.FileName = path;
    mnuSave_->setEnabled(true);
}

bool Form1::WriteModelFile(const std::string& path, FceVariant variant)
{
    SaveStatus failure;
    const std::int32_t partsBefore = model_.Header.NumParts;
    {
        BusyPointer busy;
        failure = SaveFCEAs(model_, path, variant);
    }
    // Writing a converted model as NFSIII keeps only the parts that variant
    // can name; the lists and views must not go on offering the others.
    if (model_.Header.NumParts != partsBefore) {
        FillPartList();
        RefillPartCountLists(true, true);
        RescaleView();
        RedrawView();
    }
    if (failure) {
        dialogs_.Plain(kProgramTitle, FromLatin1(SaveFailureMessage(*failure)));
        return false;
    }
    return true;
}

void Form1::SetEditingEnabled(bool withSave)
{
    if (withSave)
        mnuSave_->setEnabled(true);
    mnuSaveAs_->setEnabled(true);
    mnuView_->setEnabled(true);
    mnuView_->menuAction()->setEnabled(true);
    mnuEx3DS_->setEnabled(true);
    mnuParts_->menuAction()->setEnabled(true);
    mnuEdit_->menuAction()->setEnabled(true);
    objWindow_->setEnabled(true);
    toolWindow_->setEnabled(true);
}

void Form1::SetVertTypeButtons(bool enabled)
{
    for (QPushButton* b : vertType_)
        b->setEnabled(enabled);
    if (enabled)
        ShowVertexSet(static_cast<int>(model_.ActiveVertexSet));
}

// The vertex-set button of the set the working arrays hold is bold.
void Form1::ShowVertexSet(int set)
{
    for (int i = 0; i < 3; ++i)
        SetBold(vertType_[static_cast<std::size_t>(i)], i == set);
}

void Form1::mnuFileInf_Click()
{
    auto* window = new FileInf(model_, this);
    window->show();
}

// ---------------------------------------------------------------------------
// Lists

void Form1::FillFileInfo(const std::string& fileName, bool clearFirst)
{
    if (clearFirst)
        fileInfo_->clear();
    QStringList lines;
    for (const std::string& line : FileInfoReport(model_, fileName)) {
        // The first line holds the path as chosen, in the file system's
        // encoding; the others show bytes of the model.
        lines << (lines.isEmpty() ? QString::fromStdString(line) : DisplayText(line));
    }
    fileInfo_->addItems(lines);
}

void Form1::FillPartList()
{
    fillingLists_ = true;
    partList_->clear();
    for (const std::string& name : PartListNames(model_))
        partList_->addItem(FromLatin1(name));
    fillingLists_ = false;
    // The callers fit and draw the views once the lists are filled.
    if (partList_->count() > 0)
        SelectListedPart(0);
    else
        SyncPartSelection();
}

void Form1::FillDummyList()
{
    fillingLists_ = true;
    dummyList_->clear();
    for (const std::string& name : DummyListNames(model_))
        dummyList_->addItem(FromLatin1(name));
    fillingLists_ = false;
    if (dummyList_->count() > 0)
        SelectListedDummy(0);
}

// Setting the list's index selects that part alone and runs the click
// handler, as a click on the entry would.
void Form1::SetPartListIndex(int index)
{
    SelectListedPart(index);
    RedrawView();
}

// The same without drawing, for callers that draw once they are done.
void Form1::SelectListedPart(int index)
{
    fillingLists_ = true;
    partList_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    fillingLists_ = false;
    TakePartListSelection();
}

void Form1::SetDummyListIndex(int index)
{
    SelectListedDummy(index);
    DummyList_Click();
}

void Form1::SelectListedDummy(int index)
{
    fillingLists_ = true;
    dummyList_->setCurrentIndex(index);
    fillingLists_ = false;
    if (dummyList_->currentIndex() >= 0)
        model_.CurrentDummy = static_cast<std::int16_t>(dummyList_->currentIndex());
}

void Form1::RefillPartCountLists(bool selectFirstVertex, bool selectFirstTriangle)
{
    const int part = model_.CurrentPart;
    vertListModel_->SetCount(static_cast<int>(PartVertexRange(model_, part).size()));
    triListModel_->SetCount(static_cast<int>(PartTriangleRange(model_, part).size()));
    if (selectFirstVertex && vertListModel_->Count() > 0)
        vertList_->setCurrentIndex(vertListModel_->index(0));
    if (selectFirstTriangle && triListModel_->Count() > 0)
        triList_->setCurrentIndex(triListModel_->index(0));
}

void Form1::SyncPartSelection()
{
    view_.Parts.Shown.assign(static_cast<std::size_t>(partList_->count()), false);
    for (int i = 0; i < partList_->count(); ++i)
        view_.Parts.Shown[static_cast<std::size_t>(i)] = partList_->item(i)->isSelected();
}

// ---------------------------------------------------------------------------
// Parts and dummies

void Form1::PartList_Click()
{
    TakePartListSelection();
    RedrawView();
}

// The part list's current entry becomes the current part, its selection the
// parts drawn grey; every mark is cleared.
void Form1::TakePartListSelection()
{
    for (TriStateRecord& t : model_.TriState)
        t.Selected = 0;
    std::fill(model_.VertSelected.begin(), model_.VertSelected.end(), std::int16_t{0});
    mouse_.MarksChanged();
    if (partList_->currentRow() >= 0)
        model_.CurrentPart = static_cast<std::int16_t>(partList_->currentRow());
    SyncPartSelection();
    RefillPartCountLists(false, false);
    client_->setFocus();
}

void Form1::AddPart_Click()
{
    switch (CanAddPartByButton(model_)) {
    case AddRefusal::None: break;
    case AddRefusal::NoFreePartSlot: dialogs_.Error(kErrorTitle, kNoFreePartSlotMessage); return;
    default: dialogs_.Error(kErrorTitle, kTooManyPartsMessage); return;
    }
    const std::string answer = ToLatin1(
        dialogs_.Input({"Enter part name:", "New Part", QString("Part%1").arg(model_.Header.NumParts + 1)}));
    const NameCheck check = CheckTypedName(answer);
    if (check == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kPartNameTooLongMessage);
        return;
    }
    if (check == NameCheck::Empty)
        return;
    const int part = AddPartSlot(model_, answer);
    if (part < 0)
        return;
    partList_->addItem(FromLatin1(answer));
    SetPartListIndex(part);
}

void Form1::AddNamedPart(const std::string& name)
{
    if (const int part = AddNamedPartSlot(name); part >= 0)
        SetPartListIndex(part);
}

// Adds the part and its list entry (or says why not); returns its index or -1.
int Form1::AddNamedPartSlot(const std::string& name)
{
    if (CanAddNamedPart(model_) != AddRefusal::None) {
        dialogs_.Error(kErrorTitle, kTooManyPartsMessage);
        return -1;
    }
    const NameCheck check = CheckTypedName(name);
    if (check == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kPartNameTooLongMessage);
        return -1;
    }
    if (check == NameCheck::Empty)
        return -1;
    const int part = AddPartSlot(model_, name);
    if (part < 0)
        return -1;
    fillingLists_ = true;
    partList_->addItem(FromLatin1(name));
    fillingLists_ = false;
    return part;
}

void Form1::RemovePart_Click()
{
    if (model_.Header.NumParts <= 0) {
        dialogs_.Warning(kErrorTitle, kNoPartsMessage);
        return;
    }
    if (!dialogs_.AskYesNo("Remove selected part", "Are you sure?"))
        return;
    PartRemoval removal;
    {
        BusyPointer busy;
        removal = RemovePart(model_, model_.CurrentPart);
    }
    if (!removal.removed) {
        dialogs_.Error(kErrorTitle, kPartOutsideModelMessage);
        return;
    }
    BusyPointer busy;
    SetStatus("Removing Vertices" + QString(removal.progressDots, '.'));
    // Selecting the first part runs the list's click as any selection does:
    // the marks of the removed part's neighbours are cleared with it.
    FillPartList();
    RedrawView();
    RefillPartCountLists(true, false);
}

void Form1::NamePart_Click()
{
    const int part = model_.CurrentPart;
    if (part < 0 || part >= UsablePartCount(model_.Header) ||
        static_cast<std::size_t>(part) >= model_.Header.PartNames.size())
        return;
    Name64& field = model_.Header.PartNames[static_cast<std::size_t>(part)];
    const std::string offered = PrepareRename(field);
    const std::string answer =
        ToLatin1(dialogs_.Input({"Give the part a name:", "Name Part", FromLatin1(offered)}));
    if (CheckTypedName(answer) == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kPartNameTooLongMessage);
        return;
    }
    if (ApplyRename(field, answer, offered) && part < partList_->count())
        partList_->item(part)->setText(FromLatin1(ListedName(field)));
}

void Form1::AddDummy_Click()
{
    if (CanAddDummy(model_) != AddRefusal::None) {
        dialogs_.Error(kErrorTitle, kTooManyDummiesMessage);
        return;
    }
    QString offered;
    const int current = model_.CurrentDummy;
    if (current >= 0 && current < kDummySlots)
        offered = FromLatin1(PrepareRename(model_.Header.DummyNames[static_cast<std::size_t>(current)]));
    const std::string answer = ToLatin1(dialogs_.Input({"Enter dummy name:", "New Dummy", offered}));
    const NameCheck check = CheckTypedName(answer);
    if (check == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kDummyNameTooLongMessage);
        return;
    }
    if (check == NameCheck::Empty)
        return;
    const int dummy = AddDummySlot(model_, answer);
    if (dummy < 0)
        return;
    fillingLists_ = true;
    dummyList_->addItem(FromLatin1(answer));
    fillingLists_ = false;
    SetDummyListIndex(dummy);
}

void Form1::RemoveDummy_Click()
{
    if (model_.Header.NumDummies <= 0) {
        dialogs_.Warning(kErrorTitle, kNoDummiesMessage);
        return;
    }
    if (!dialogs_.AskYesNo("Remove selected dummy", "Are you sure?"))
        return;
    RemoveDummy(model_, model_.CurrentDummy);
    FillDummyList();
    if (view_.Options.Dummies)
        RedrawView();
}

void Form1::NameDummy_Click()
{
    const int dummy = model_.CurrentDummy;
    if (dummy < 0 || dummy >= UsableDummyCount(model_.Header))
        return;
    Name64& field = model_.Header.DummyNames[static_cast<std::size_t>(dummy)];
    const std::string offered = PrepareRename(field);
    const std::string answer =
        ToLatin1(dialogs_.Input({"Type the dummy's name below:", "Name Dummy", FromLatin1(offered)}));
    if (CheckTypedName(answer) == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kDummyNameTooLongMessage);
        return;
    }
    if (ApplyRename(field, answer, offered) && dummy < dummyList_->count())
        dummyList_->setItemText(dummy, FromLatin1(ListedName(field)));
}

void Form1::DummyList_Click()
{
    if (dummyList_->currentIndex() >= 0)
        model_.CurrentDummy = static_cast<std::int16_t>(dummyList_->currentIndex());
    if (view_.Options.Dummies) {
        views::DrawDummies(Drawing());
        ShowCanvases();
    }
}

// ---------------------------------------------------------------------------
// Views and layout

views::DrawContext Form1::Drawing()
{
    return views::DrawContext{model_, view_.State, view_.Options, surfaces_};
}

void Form1::RescaleView()
{
    // The size the layout gave view 1, also while it is hidden (a hidden
    // widget hears of its new size only when it is shown again).
    const QWidget* view1 = viewWidgets_[views::ViewZX];
    views::RescaleView(model_, view_.Options, views::ViewSize{view1->width(), view1->height()}, view_.State);
}

void Form1::RedrawView()
{
    views::RedrawView(Drawing(), view_.Parts);
    mouse_.CanvasesRedrawn();
    ShowCanvases();
}

// Copies to the screen what was drawn into the canvases since last time.
void Form1::ShowCanvases()
{
    for (int v = 0; v < views::kViewCount; ++v) {
        views::ViewSurface& s = surfaces_[static_cast<std::size_t>(v)];
        if (s.drawn.isEmpty())
            continue;
        viewWidgets_[static_cast<std::size_t>(v)]->ShowCanvas(s.drawn);
        s.drawn = QRegion();
    }
}

void Form1::OnViewSystemRepaint(int view)
{
    // A repaint of the perspective view does not redraw the others.
    if (view != views::View3D)
        RedrawView();
}

void Form1::ToggleOption(bool views::DisplayOptions::*option, QAction* action, bool refit)
{
    view_.Options.*option = action->isChecked();
    if (refit)
        RescaleView();
    RedrawView();
}

views::ViewVisibility Form1::VisibleViews() const
{
    views::ViewVisibility shown{};
    for (std::size_t v = 0; v < shown.size(); ++v)
        shown[v] = surfaces_[v].visible;
    return shown;
}

void Form1::ShowViews(const views::ViewVisibility& shown)
{
    for (std::size_t v = 0; v < shown.size(); ++v) {
        surfaces_[v].visible = shown[v];
        viewWidgets_[v]->setVisible(shown[v]);
    }
}

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
    views::LayoutInput in;
    in.clientWidth = client_->width();
    in.clientHeight = client_->height();
    in.statusBarHeight = kStatusBarHeight;
    in.toolWindowVisible = !toolWindow_->isHidden();
    in.toolWindowWidth = kToolWindowWidth;
    in.editWindowVisible = !objWindow_->isHidden();
    in.editWindowHeight = kEditWindowHeight;
    in.toolBarVisible = !toolBar_->isHidden();
    in.toolBarHeight = kToolBarHeight;
    in.allViews = view_.AllViews;
    const views::LayoutResult out = views::ComputeLayout(in);

    auto place = [](QWidget* w, const views::Rect& r) { w->setGeometry(r.x, r.y, r.width, r.height); };
    place(statusBar_, out.statusBar);
    if (out.toolWindow)
        place(toolWindow_, *out.toolWindow);
    if (out.editWindow)
        place(objWindow_, *out.editWindow);
    if (out.toolBar)
        place(toolBar_, *out.toolBar);
    for (int v = 0; v < views::kViewCount; ++v) {
        if (const auto& r = out.views[static_cast<std::size_t>(v)])
            place(viewWidgets_[static_cast<std::size_t>(v)], *r);
        else if (!viewWidgets_[static_cast<std::size_t>(v)]->isVisible())
            // A view the grid leaves out is kept over the view area while it
            // is hidden, so that the single-view keys show it in a sensible place.
            place(viewWidgets_[static_cast<std::size_t>(v)], out.viewArea);
    }
    RescaleView();
    RedrawView();
}

void Form1::cmdView_Click(int index)
{
    view_.AllViews = index == views::kAllViewsButton;
    for (int i = 0; i < 6; ++i)
        SetBold(cmdView_[static_cast<std::size_t>(i)], i == index);
    ShowViews(views::ViewsShownByButton(index));
    Form_Resize();
}

void Form1::mnuEWin_Click()
{
    objWindow_->setVisible(mnuEWin_->isChecked());
    Form_Resize();
}

void Form1::mnuTWin_Click()
{
    toolWindow_->setVisible(mnuTWin_->isChecked());
    Form_Resize();
}

void Form1::SelFrame_Click(int index)
{
    // "V" also puts the triangle editor's side pages away.
    if (index == 0) {
        for (QGroupBox* page : editors_->triangle.TriSide)
            page->hide();
    }
    for (int i = 0; i < 2; ++i)
        editFrame_[static_cast<std::size_t>(i)]->setVisible(i == index);
}

void Form1::SetStatus(const QString& text)
{
    status_->setText(text);
    status_->repaint();
}

} // namespace mobrix::app
