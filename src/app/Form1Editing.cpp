// The editing side of the main window: the Edit menu's modes, the vertex
// and triangle editors, the vertex-set buttons, the mouse in the views and
// the keyboard. The decisions live in the core and views code; the handlers
// here call it on the model, then update the lists and the views.

#include "EditorPanels.h"
#include "Form1.h"

#include "BusyPointer.h"
#include "KeysHelp.h"
#include "Latin1.h"
#include "MenuAction.h"
#include "NumberListModel.h"
#include "PartsDummies.h"
#include "VertexEditor.h"
#include "ViewWidget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>

namespace mobrix::app {

namespace {

void ShowNumber(QLineEdit* field, float value)
{
    field->setText(FromLatin1(FormatFixed6(value)));
}

} // namespace

// ---------------------------------------------------------------------------
// Building

void Form1::BuildEditMenu()
{
    mnuEdit_ = new QMenu("&Edit", this);
    mnuEdit_->setObjectName("mnuEdit");
    menuBar()->insertMenu(mnuView_->menuAction(), mnuEdit_);
    auto mode = [this](const char* name, const QString& caption, auto handler) {
        QAction* a = AddMenuAction(mnuEdit_, name, caption, this, handler);
        a->setCheckable(true);
        return a;
    };
    mnuPEdit_ = mode("mnuPEdit", "&Part Editor", [this] { mnuPEdit_Click(); });
    mnuVEdit_ = mode("mnuVEdit", "&Vertex Editor", [this] { mnuVEdit_Click(); });
    mnuDEdit_ = mode("mnuDEdit", "&Dummy Editor", [this] { mnuDEdit_Click(); });
    mnuUVEdit_ = mode("mnuUVEdit", "&Triangle Editor", [this] { mnuUVEdit_Click(); });
}

void Form1::BuildHelpMenu()
{
    mnuHelp_ = menuBar()->addMenu("&Help");
    mnuHelp_->setObjectName("mnuHelp");
    AddMenuAction(mnuHelp_, "mnuKeys", "&Keys (Read first!)", this, [this] { mnuKeys_Click(); });
}

void Form1::BuildEditors()
{
    auto* row = static_cast<QBoxLayout*>(objWindow_->layout());
    editors_ = std::make_unique<EditorWidgets>(BuildEditorPanels(editFrame_[0], editFrame_[1], row));
    VertexEditorWidgets& v = editors_->vertex;
    TriangleEditorWidgets& t = editors_->triangle;

    connect(vertList_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!fillingLists_)
            VertList_Click();
    });
    connect(triList_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!fillingLists_)
            TriList_Click();
    });
    connect(v.VertSel, &QCheckBox::clicked, this, [this] { VertSel_Click(); });
    connect(v.cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(v.Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(v.Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(v.Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(v.List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(t.cmdTriApply, &QPushButton::clicked, this, [this] { cmdTriApply_Click(); });
    connect(t.Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(t.Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(t.CmdTriSide[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] { CmdTriSide_Click(i); });

    // Any key typed into a field enables its "Apply"; only the keys a
    // number needs get through.
    auto filter = [this](QLineEdit* field, bool (*allowed)(char32_t), QPushButton* apply) {
        field->installEventFilter(new FieldKeyFilter(allowed, [apply] { apply->setEnabled(true); }, field));
    };
    for (QLineEdit* f : {v.VertX, v.VertY, v.VertZ})
        filter(f, &CoordinateKeyAllowed, v.cmdApply);
    for (std::size_t k = 0; k < 3; ++k) {
        filter(t.TriI[k], &IndexKeyAllowed, t.cmdTriApply);
        filter(t.TriU[k], &CoordinateKeyAllowed, t.cmdTriApply);
        filter(t.TriV[k], &CoordinateKeyAllowed, t.cmdTriApply);
    }
}

void Form1::ConnectViewInput(views::ViewWidget* w)
{
    auto logical = [this](int view, double x, double y) { return views::MappingOf(Drawing(), view).Logical(x, y); };
    w->onMouseDown = [this, logical](int view, int button, int shift, double x, double y) {
        const views::ViewPoint p = logical(view, x, y);
        View_MouseDown(view, button, shift, p.h, p.v);
    };
    w->onMouseMove = [this, logical](int view, int button, int shift, double x, double y) {
        const views::ViewPoint p = logical(view, x, y);
        View_MouseMove(view, button, shift, p.h, p.v);
    };
    w->onMouseUp = [this, logical](int view, int button, int shift, double x, double y) {
        const views::ViewPoint p = logical(view, x, y);
        View_MouseUp(view, button, shift, p.h, p.v);
    };
    w->onKeyDown = [this](int view, QKeyEvent* event) {
        View_KeyDown(view, views::VirtualKeyCode(event->key(), event->modifiers(), event->nativeScanCode()),
                     views::ShiftState(event->modifiers()));
    };
}

// ---------------------------------------------------------------------------
// Edit modes and help

void Form1::SetEditMode(bool views::EditModes::*mode)
{
    view_.Options.Modes = views::EditModes{};
    view_.Options.Modes.*mode = true;
    mnuPEdit_->setChecked(view_.Options.Modes.Part);
    mnuVEdit_->setChecked(view_.Options.Modes.Vertex);
    mnuDEdit_->setChecked(view_.Options.Modes.Dummy);
    mnuUVEdit_->setChecked(view_.Options.Modes.Triangle);
}

void Form1::mnuPEdit_Click()
{
    SetEditMode(&views::EditModes::Part);
    view_.Options.Dummies = view_.Options.Vertices = false;
    view_.Options.Polygons = true;
    mnuDummies_->setChecked(false);
    mnuVerts_->setChecked(false);
    mnuPolys_->setChecked(true);
    RedrawView();
}

void Form1::mnuVEdit_Click()
{
    SetEditMode(&views::EditModes::Vertex);
    view_.Options.Dummies = false;
    view_.Options.Vertices = true;
    mnuDummies_->setChecked(false);
    mnuVerts_->setChecked(true);
    RedrawView();
}

void Form1::mnuDEdit_Click()
{
    SetEditMode(&views::EditModes::Dummy);
    view_.Options.Vertices = false;
    mnuVerts_->setChecked(false);
    // What the View menu's own toggle would do, drawn once below.
    view_.Options.Dummies = true;
    mnuDummies_->setChecked(true);
    RedrawView();
}

void Form1::mnuUVEdit_Click()
{
    SetEditMode(&views::EditModes::Triangle);
    view_.Options.Dummies = view_.Options.Vertices = false;
    mnuDummies_->setChecked(false);
    mnuVerts_->setChecked(false);
    RedrawView();
}

void Form1::mnuKeys_Click()
{
    auto* help = new KeysHelp(this);
    help->show();
}

// ---------------------------------------------------------------------------
// Vertex sets

void Form1::VertType_Click(int index)
{
    if (index < 0 || index > 2 || !SwitchVertexSet(model_, static_cast<VertexSet>(index)))
        return;
    ShowVertexSet(index);
    RedrawView();
    // The fields show the chosen set's coordinates, so that "Apply" cannot
    // carry the other set's values over.
    VertList_Click();
}

// ---------------------------------------------------------------------------
// Vertex editor

int Form1::VertListRow() const
{
    const QModelIndex current = vertList_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int Form1::TriListRow() const
{
    const QModelIndex current = triList_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

// Moves the vertex list; the editor shows the entry even when the list was
// there already, since its mark may just have changed.
void Form1::SetVertListRow(int row)
{
    if (row < 0 || row >= vertListModel_->Count())
        return;
    if (VertListRow() == row)
        VertList_Click();
    else
        vertList_->setCurrentIndex(vertListModel_->index(row));
}

void Form1::SetTriListRow(int row)
{
    if (row < 0 || row >= triListModel_->Count())
        return;
    if (TriListRow() == row) {
        TriList_Click();
        return;
    }
    triList_->selectionModel()->setCurrentIndex(triListModel_->index(row), QItemSelectionModel::ClearAndSelect);
}

bool Form1::EditablePartOrSay(MeshEditStatus status)
{
    switch (status) {
    case MeshEditStatus::Done: return true;
    case MeshEditStatus::NoTriangles: dialogs_.Warning(kErrorTitle, kNoTrianglesMessage); return false;
    case MeshEditStatus::NoSuchPart:
    case MeshEditStatus::IndexOutOfRange: dialogs_.Error(kErrorTitle, kPartNotEditableMessage); return false;
    }
    return false;
}

void Form1::VertList_Click()
{
    VertexEditorWidgets& w = editors_->vertex;
    w.cmdApply->setEnabled(false);
    const int row = VertListRow();
    const auto vertex = VertexOf(model_, model_.CurrentPart, row);
    if (!vertex)
        return;
    ShowNumber(w.VertX, vertex->X);
    ShowNumber(w.VertY, vertex->Y);
    ShowNumber(w.VertZ, vertex->Z);
    const auto i = static_cast<std::size_t>(PartVertexRange(model_, model_.CurrentPart).begin + row);
    w.VertSel->setChecked(i < model_.VertSelected.size() && model_.VertSelected[i] != 0);
}

void Form1::VertSel_Click()
{
    const int row = VertListRow();
    if (!SetVertexMark(model_, model_.CurrentPart, row, editors_->vertex.VertSel->isChecked()))
        return;
    const auto i = static_cast<int>(PartVertexRange(model_, model_.CurrentPart).begin + row);
    views::ReDrawVert(Drawing(), model_.CurrentPart, i, views::QBColor(12), views::Complement(views::QBColor(12)),
                      views::kBlack);
    ShowCanvases();
}

void Form1::cmdApply_Click()
{
    VertexEditorWidgets& w = editors_->vertex;
    const int row = VertListRow();
    if (!VertexOf(model_, model_.CurrentPart, row))
        return;
    const auto x = ParseCoordinate(ToLatin1(w.VertX->text()));
    const auto y = ParseCoordinate(ToLatin1(w.VertY->text()));
    const auto z = ParseCoordinate(ToLatin1(w.VertZ->text()));
    if (!x || !y || !z) {
        dialogs_.Error(kErrorTitle, kCoordinateNotNumberMessage);
        return;
    }
    SetVertex(model_, model_.CurrentPart, row, Vec3{*x, *y, *z});
    RedrawView();
    client_->setFocus();
}

void Form1::Command1_Click()
{
    // The hourglass goes before any box is shown.
    if (!EditablePartOrSay(WhileBusy([&] { return AddVertex(model_, model_.CurrentPart, 0, 0, 0); })))
        return;
    mouse_.MarksChanged();
    {
        BusyPointer busy;
        vertListModel_->SetCount(static_cast<int>(PartVertexRange(model_, model_.CurrentPart).size()));
        views::DrawVerts(Drawing(), model_.CurrentPart, views::QBColor(12));
        ShowCanvases();
    }
    SetVertListRow(vertListModel_->Count() - 1);
}

void Form1::Command3_Click()
{
    if (!EditablePartOrSay(WhileBusy([&] { return RemoveMarkedVertices(model_, model_.CurrentPart); })))
        return;
    BusyPointer busy;
    RefillPartCountLists(false, false);
    RedrawView();
}

void Form1::Command9_Click()
{
    QListWidget* list = editors_->vertex.List1;
    list->clear();
    QStringList numbers;
    for (const int k : MarkedVerticesOf(model_, model_.CurrentPart))
        numbers << QString::number(k + 1);
    list->addItems(numbers);
}

void Form1::List1_Click()
{
    const QListWidgetItem* item = editors_->vertex.List1->currentItem();
    if (!item)
        return;
    SetVertListRow(item->text().toInt() - 1);
}

// ---------------------------------------------------------------------------
// Triangle editor

void Form1::TriList_Click()
{
    TriangleEditorWidgets& w = editors_->triangle;
    w.cmdTriApply->setEnabled(false);
    const int row = TriListRow();
    const auto fields = TriangleFieldsOf(model_, model_.CurrentPart, row);
    if (!fields)
        return;
    for (std::size_t k = 0; k < 3; ++k) {
        w.TriI[k]->setText(QString::number(fields->corners[k]));
        ShowNumber(w.TriU[k], fields->u[k]);
        ShowNumber(w.TriV[k], fields->v[k]);
    }
    // The highlight moves to the chosen triangle.
    const views::DrawContext ctx = Drawing();
    for (std::size_t t = 0; t < model_.TriState.size(); ++t) {
        if (model_.TriState[t].Selected != 0) {
            views::ReDrawTri(ctx, static_cast<int>(t));
            model_.TriState[t].Selected = 0;
        }
    }
    const auto t = static_cast<int>(PartTriangleRange(model_, model_.CurrentPart).begin + row);
    if (static_cast<std::size_t>(t) < model_.TriState.size())
        model_.TriState[static_cast<std::size_t>(t)].Selected = -1;
    views::ReDrawTri2(ctx, t, views::QBColor(12));
    ShowCanvases();
}

void Form1::cmdTriApply_Click()
{
    TriangleEditorWidgets& w = editors_->triangle;
    const int part = model_.CurrentPart;
    const int row = TriListRow();
    if (!TriangleFieldsOf(model_, part, row))
        return;
    const int vertices = static_cast<int>(PartVertexRange(model_, part).size());
    TriangleFields fields;
    for (std::size_t k = 0; k < 3; ++k) {
        const auto corner = ParseCorner(ToLatin1(w.TriI[k]->text()), vertices);
        if (!corner) {
            dialogs_.Error(kErrorTitle, FromLatin1(CornerOutOfRangeMessage(vertices)));
            return;
        }
        fields.corners[k] = *corner;
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const auto u = ParseCoordinate(ToLatin1(w.TriU[k]->text()));
        const auto v = ParseCoordinate(ToLatin1(w.TriV[k]->text()));
        if (!u || !v) {
            dialogs_.Error(kErrorTitle, kTextureNotNumberMessage);
            return;
        }
        fields.u[k] = *u;
        fields.v[k] = *v;
    }
    if (!SetTriangleFields(model_, part, row, fields)) {
        dialogs_.Error(kErrorTitle, kPartNotEditableMessage);
        return;
    }
    RedrawView();
}

void Form1::Command2_Click()
{
    const MarkedCorners marked = MarkedCornersOf(model_, model_.CurrentPart);
    if (marked.count != 3) {
        dialogs_.Plain(kErrorTitle, kSelectThreeMessage);
        return;
    }
    if (!EditablePartOrSay(WhileBusy([&] {
            return AddTriangle(model_, model_.CurrentPart, marked.corners[0], marked.corners[1], marked.corners[2]);
        })))
        return;
    BusyPointer busy;
    triListModel_->SetCount(static_cast<int>(PartTriangleRange(model_, model_.CurrentPart).size()));
    RedrawView();
}

void Form1::Command4_Click()
{
    std::vector<int> rows;
    for (const QModelIndex& index : triList_->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    if (!rows.empty()) {
        // The entries go from the highest down; the last one named is the lowest.
        SetStatus("Removing poly " + QString::number(*std::min_element(rows.begin(), rows.end()) + 1));
        if (!EditablePartOrSay(WhileBusy([&] { return RemoveTriangles(model_, model_.CurrentPart, rows); })))
            return;
    }
    BusyPointer busy;
    triListModel_->SetCount(static_cast<int>(PartTriangleRange(model_, model_.CurrentPart).size()));
    RedrawView();
    SetStatus("Done.");
}

void Form1::CmdTriSide_Click(int index)
{
    if (index < 0 || index > 1)
        return;
    editors_->triangle.TriSide[static_cast<std::size_t>(1 - index)]->hide();
    editors_->triangle.TriSide[static_cast<std::size_t>(index)]->show();
}

// ---------------------------------------------------------------------------
// Mouse

void Form1::ApplyMouseOutcome(const views::MouseOutcome& outcome)
{
    if (outcome.vertListRow)
        SetVertListRow(*outcome.vertListRow);
    if (outcome.triListRow)
        SetTriListRow(*outcome.triListRow);
    if (outcome.dummy) {
        const int d = *outcome.dummy;
        status_->setText(FromLatin1(ListedName(model_.Header.DummyNames[static_cast<std::size_t>(d)])) + " Selected.");
        // The dummy list shows the dummy the click made current.
        fillingLists_ = true;
        if (d < dummyList_->count())
            dummyList_->setCurrentIndex(d);
        fillingLists_ = false;
    }
    if (outcome.status)
        status_->setText(FromLatin1(*outcome.status));
    if (outcome.refreshVertexFields)
        VertList_Click();
    ShowCanvases();
}

void Form1::View_MouseDown(int view, int button, int shift, float h, float v)
{
    if (!doc_.ModelExists)
        return;
    ApplyMouseOutcome(mouse_.Press(model_, Drawing(), view, button, shift, {h, v}));
}

void Form1::View_MouseMove(int view, int button, int, float h, float v)
{
    if (!doc_.ModelExists)
        return;
    ApplyMouseOutcome(mouse_.Move(model_, Drawing(), view, button, {h, v}));
}

void Form1::View_MouseUp(int view, int button, int shift, float h, float v)
{
    if (!doc_.ModelExists)
        return;
    ApplyMouseOutcome(mouse_.Release(model_, Drawing(), view, button, shift, {h, v}));
}

// ---------------------------------------------------------------------------
// Keyboard

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
    Form_KeyDown(key, views::ShiftState(event->modifiers()));
}

void Form1::View_KeyDown(int, int keyCode, int shift)
{
    Form_KeyDown(keyCode, shift);
}

void Form1::Form_KeyDown(int keyCode, int shift)
{
    if (!doc_.ModelExists)
        return;
    for (const views::KeyCommand& command : views::KeyCommands(keyCode, shift, view_.Options.Modes))
        RunKeyCommand(command);
}

void Form1::RunKeyCommand(const views::KeyCommand& c)
{
    using A = views::KeyCommand::Action;
    const int part = model_.CurrentPart;
    auto refit = [this] {
        RescaleView();
        RedrawView();
    };
    switch (c.action) {
    case A::Redraw: RedrawView(); break;
    case A::ZoomOut:
        if (views::ZoomOut(view_.State)) // at the limit the key does nothing
            refit();
        break;
    case A::ZoomIn:
        if (views::ZoomIn(view_.State))
            refit();
        break;
    case A::Pan:
        views::Pan(view_.State, c.axis, c.sign);
        refit();
        break;
    case A::RenamePart: NamePart_Click(); break;
    case A::MovePart: {
        const float step = c.scaled ? views::NudgeStep(view_.State) : views::kPartStep;
        if (MovePart(model_, part, c.axis, c.sign < 0 ? -step : step))
            RedrawView();
        break;
    }
    case A::ShowSingleView:
        // The keys "0" to "4" show what the view buttons of the same
        // number show.
        ShowViews(views::ViewsShownByButton(c.view));
        RedrawView();
        break;
    case A::ShowOrthoView: {
        views::ViewVisibility shown = VisibleViews();
        views::ShowOnlyOrthoView(shown, c.view);
        ShowViews(shown);
        RedrawView();
        break;
    }
    case A::DeselectAll:
        DeselectAll(model_);
        mouse_.MarksChanged();
        views::DrawVerts(Drawing(), part, views::QBColor(12));
        ShowCanvases();
        break;
    case A::InvertSelection:
        InvertVertexMarks(model_);
        mouse_.MarksChanged();
        views::DrawVerts(Drawing(), part, views::QBColor(12));
        ShowCanvases();
        break;
    case A::NudgeVertices: {
        const float s = views::NudgeStep(view_.State);
        views::DragSelectedVertices(model_, Drawing(), part, float(c.dh) * s, float(c.dv) * s);
        if (surfaces_[views::ViewUV].visible) {
            NudgeTexturePoints(model_, part, float(c.dh) * views::kTexturePointStep,
                               float(c.dv) * views::kTexturePointStep);
        }
        // A nudge has no release to mend the edges its white erasing cut, so
        // the part is drawn again over them at once.
        views::RepairNudgedPart(Drawing(), part);
        ShowCanvases();
        VertList_Click();
        break;
    }
    case A::RenameDummy: NameDummy_Click(); break;
    case A::NudgeDummy: {
        const int d = model_.CurrentDummy;
        if (d < 0 || d >= UsableDummyCount(model_.Header))
            break; // no dummy is current
        const views::DrawContext ctx = Drawing();
        views::WipeDummies(ctx);
        views::MoveInVisibleViews(model_.Header.DummyPos[static_cast<std::size_t>(d)], VisibleViews(),
                                  float(c.dh) * views::kDummyStep, float(c.dv) * views::kDummyStep);
        views::DrawDummies(ctx);
        ShowCanvases();
        break;
    }
    }
}

} // namespace mobrix::app
