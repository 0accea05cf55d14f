#include "panels/EditorPanel.h"

#include "support/BusyPointer.h"
#include "support/Latin1.h"
#include "support/NumberListModel.h"
#include "panels/RemapPanel.h"
#include "VertexEditor.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace mobrix::app {

namespace {

void ShowNumber(QLineEdit* field, float value)
{
    field->setText(FromLatin1(FormatFixed6(value)));
}

} // namespace

EditorPanel::EditorPanel(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* client)
    : QObject(client), doc_(doc), status_(status), dialogs_(dialogs), client_(client)
{
    Build(client);
    ListenToDocument();
}

// The editing window's widgets, the remapper page among them, call back
// into the panel, so they go with it.
EditorPanel::~EditorPanel()
{
    delete objWindow_;
}

void EditorPanel::Build(QWidget* client)
{
    objWindow_ = new QFrame(client);
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

void EditorPanel::BuildEditors()
{
    auto* row = static_cast<QBoxLayout*>(objWindow_->layout());
    editors_ = std::make_unique<EditorWidgets>(BuildEditorPanels(editFrame_[0], editFrame_[1], row));
    VertexEditorWidgets& v = editors_->vertex;
    TriangleEditorWidgets& t = editors_->triangle;
    t.SmoothList->addItems({"1 - Don't Chrome", "2 - High Chrome", "3 - "});

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
    connect(v.Command1, &QPushButton::clicked, this, [this] { AddVertice_Click(); });
    connect(v.Command3, &QPushButton::clicked, this, [this] { RemoveVert_Click(); });
    connect(v.Command9, &QPushButton::clicked, this, [this] { ListSelected_Click(); });
    connect(v.List1, &QListWidget::itemClicked, this, [this] { SelectedVertList_Click(); });
    connect(t.cmdTriApply, &QPushButton::clicked, this, [this] { cmdTriApply_Click(); });
    connect(t.Command2, &QPushButton::clicked, this, [this] { AddPoly_Click(); });
    connect(t.Command4, &QPushButton::clicked, this, [this] { RemovePoly_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(t.CmdTriSide[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { CmdTriSide_Click(i); });
    BuildRemapper();

    // Any key typed into a field enables its "Apply"; only the keys a
    // number needs get through.
    auto filter = [](QLineEdit* field, bool (*allowed)(char32_t), QPushButton* apply) {
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

void EditorPanel::BuildRemapper()
{
    TriangleEditorWidgets& t = editors_->triangle;
    remap_ = new RemapPanel(doc_, dialogs_, t.TriSide[1]);
    t.CmdTriSide[1]->show();
    remap_->chosenTriangle = [this] {
        const int row = TriListRow();
        const CarModel& model = doc_.Model();
        if (row < 0 || row >= triListModel_->Count())
            return -1;
        return static_cast<int>(PartTriangleRange(model, model.CurrentPart).begin + row);
    };
    remap_->returnFocus = [this] {
        if (objWindow_->isVisible() && editFrame_[1]->isVisible())
            triList_->setFocus();
    };
}

void EditorPanel::ListenToDocument()
{
    connect(&doc_, &Document::modelReplaced, this, [this] { RefillPartCountLists(true, true); });
    auto refill = [this] {
        RefillPartCountLists(false, false);
        VertList_Click();
    };
    connect(&doc_, &Document::selectionChanged, this, refill);
    connect(&doc_, &Document::partsChanged, this, refill);
    connect(&doc_, &Document::meshChanged, this, refill);
    connect(&doc_, &Document::verticesMoved, this, [this] {
        if (!applying_)
            VertList_Click();
    });
    connect(&doc_, &Document::vertexSetChanged, this, [this] { VertList_Click(); });
    connect(&doc_, &Document::displayOptionsChanged, this, [this] { ShowModePanel(); });
}

// The Vertex Editor shows the vertex panel and the Triangle Editor the
// triangle panel; the other modes leave the panel the user chose.
void EditorPanel::ShowModePanel()
{
    const views::EditModes& modes = doc_.Views().Options.Modes;
    if (modes.Vertex && !editFrame_[0]->isVisible())
        SelFrame_Click(0);
    else if (modes.Triangle && !editFrame_[1]->isVisible())
        SelFrame_Click(1);
}

void EditorPanel::SelFrame_Click(int index)
{
    // "V" also puts the triangle editor's side pages away.
    if (index == 0) {
        for (QGroupBox* page : editors_->triangle.TriSide)
            page->hide();
    }
    for (int i = 0; i < 2; ++i)
        editFrame_[static_cast<std::size_t>(i)]->setVisible(i == index);
}

void EditorPanel::RefillPartCountLists(bool selectFirstVertex, bool selectFirstTriangle)
{
    const CarModel& model = doc_.Model();
    const int part = model.CurrentPart;
    fillingLists_ = true;
    vertListModel_->SetCount(static_cast<int>(PartVertexRange(model, part).size()));
    triListModel_->SetCount(static_cast<int>(PartTriangleRange(model, part).size()));
    fillingLists_ = false;
    if (selectFirstVertex && vertListModel_->Count() > 0)
        vertList_->setCurrentIndex(vertListModel_->index(0));
    if (selectFirstTriangle && triListModel_->Count() > 0)
        triList_->setCurrentIndex(triListModel_->index(0));
}

int EditorPanel::VertListRow() const
{
    const QModelIndex current = vertList_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int EditorPanel::TriListRow() const
{
    const QModelIndex current = triList_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

// Moves the vertex list; the editor shows the entry even when the list was
// there already, since its mark may just have changed.
void EditorPanel::SetVertListRow(int row)
{
    if (row < 0 || row >= vertListModel_->Count())
        return;
    if (VertListRow() == row)
        VertList_Click();
    else
        vertList_->setCurrentIndex(vertListModel_->index(row));
}

void EditorPanel::SetTriListRow(int row)
{
    if (row < 0 || row >= triListModel_->Count())
        return;
    if (TriListRow() == row) {
        TriList_Click();
        return;
    }
    triList_->selectionModel()->setCurrentIndex(triListModel_->index(row), QItemSelectionModel::ClearAndSelect);
}

bool EditorPanel::EditablePartOrSay(MeshEditStatus status)
{
    switch (status) {
    case MeshEditStatus::Done: return true;
    case MeshEditStatus::NoTriangles: dialogs_.Warning(kErrorTitle, kNoTrianglesMessage); return false;
    case MeshEditStatus::NoSuchPart:
    case MeshEditStatus::IndexOutOfRange: dialogs_.Error(kErrorTitle, kPartNotEditableMessage); return false;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Vertex editor

void EditorPanel::VertList_Click()
{
    const CarModel& model = doc_.Model();
    VertexEditorWidgets& w = editors_->vertex;
    w.cmdApply->setEnabled(false);
    const int row = VertListRow();
    const auto vertex = VertexOf(model, model.CurrentPart, row);
    if (!vertex)
        return;
    ShowNumber(w.VertX, vertex->X);
    ShowNumber(w.VertY, vertex->Y);
    ShowNumber(w.VertZ, vertex->Z);
    const auto i = static_cast<std::size_t>(PartVertexRange(model, model.CurrentPart).begin + row);
    w.VertSel->setChecked(i < model.VertSelected.size() && model.VertSelected[i] != 0);
}

void EditorPanel::VertSel_Click()
{
    doc_.SetVertexMark(doc_.Model().CurrentPart, VertListRow(), editors_->vertex.VertSel->isChecked());
}

void EditorPanel::cmdApply_Click()
{
    const CarModel& model = doc_.Model();
    VertexEditorWidgets& w = editors_->vertex;
    const int part = model.CurrentPart;
    const int row = VertListRow();
    if (!VertexOf(model, part, row))
        return;
    const auto x = ParseCoordinate(ToLatin1(w.VertX->text()));
    const auto y = ParseCoordinate(ToLatin1(w.VertY->text()));
    const auto z = ParseCoordinate(ToLatin1(w.VertZ->text()));
    if (!x || !y || !z) {
        dialogs_.Error(kErrorTitle, kCoordinateNotNumberMessage);
        return;
    }
    const auto i = static_cast<std::int32_t>(PartVertexRange(model, part).begin + row);
    // The fields keep what was typed, and "Apply" stays enabled.
    applying_ = true;
    doc_.MoveVertices("Apply Vertex", part, {i}, {Vec3{*x, *y, *z}}, Document::MergeKey::None);
    applying_ = false;
    client_->setFocus();
}

void EditorPanel::AddVertice_Click()
{
    const int part = doc_.Model().CurrentPart;
    MeshEditStatus status = MeshEditStatus::Done;
    {
        // The hourglass goes before any box is shown.
        BusyPointer busy;
        doc_.EditPart("Add Vertice", part, Change{.meshPart = part}, [&](CarModel& m) {
            status = AddVertex(m, part, 0, 0, 0);
            return status == MeshEditStatus::Done;
        });
    }
    if (!EditablePartOrSay(status))
        return;
    SetVertListRow(vertListModel_->Count() - 1);
}

void EditorPanel::RemoveVert_Click()
{
    const int part = doc_.Model().CurrentPart;
    MeshEditStatus status = MeshEditStatus::Done;
    {
        BusyPointer busy;
        doc_.EditPart("Remove Vert", part, Change{.meshPart = part}, [&](CarModel& m) {
            const std::size_t before = m.Vertices.size();
            status = RemoveMarkedVertices(m, part);
            return status == MeshEditStatus::Done && m.Vertices.size() != before;
        });
    }
    EditablePartOrSay(status);
}

void EditorPanel::ListSelected_Click()
{
    const CarModel& model = doc_.Model();
    QListWidget* list = editors_->vertex.List1;
    list->clear();
    QStringList numbers;
    for (const int k : MarkedVerticesOf(model, model.CurrentPart))
        numbers << QString::number(k + 1);
    list->addItems(numbers);
}

void EditorPanel::SelectedVertList_Click()
{
    const QListWidgetItem* item = editors_->vertex.List1->currentItem();
    if (!item)
        return;
    SetVertListRow(item->text().toInt() - 1);
}

// ---------------------------------------------------------------------------
// Triangle editor

void EditorPanel::TriList_Click()
{
    const CarModel& model = doc_.Model();
    TriangleEditorWidgets& w = editors_->triangle;
    w.cmdTriApply->setEnabled(false);
    const int row = TriListRow();
    const auto fields = TriangleFieldsOf(model, model.CurrentPart, row);
    if (!fields)
        return;
    for (std::size_t k = 0; k < 3; ++k) {
        w.TriI[k]->setText(QString::number(fields->corners[k]));
        ShowNumber(w.TriU[k], fields->u[k]);
        ShowNumber(w.TriV[k], fields->v[k]);
    }
    // The highlight moves to the chosen triangle, and the section list
    // follows it (or, locked, gives it its section).
    const int triangle = static_cast<int>(PartTriangleRange(model, model.CurrentPart).begin + row);
    doc_.HighlightTriangle(triangle);
    remap_->TriangleChosen(triangle);
}

void EditorPanel::cmdTriApply_Click()
{
    const CarModel& model = doc_.Model();
    TriangleEditorWidgets& w = editors_->triangle;
    const int part = model.CurrentPart;
    const int row = TriListRow();
    if (!TriangleFieldsOf(model, part, row))
        return;
    const int vertices = static_cast<int>(PartVertexRange(model, part).size());
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
    // The step keeps the one triangle it changes.
    const TableWindow window{static_cast<std::size_t>(PartVertexRange(model, part).begin), 0,
                             static_cast<std::size_t>(PartTriangleRange(model, part).begin + row), 1};
    const bool applied = doc_.Edit("Apply Triangle", EditExtent::Mesh, window, Change{.meshPart = part},
                                   [&](CarModel& m) { return SetTriangleFields(m, part, row, fields); });
    if (!applied)
        dialogs_.Error(kErrorTitle, kPartNotEditableMessage);
}

void EditorPanel::AddPoly_Click()
{
    const int part = doc_.Model().CurrentPart;
    const MarkedCorners marked = MarkedCornersOf(doc_.Model(), part);
    if (marked.count != 3) {
        dialogs_.Plain(kErrorTitle, kSelectThreeMessage);
        return;
    }
    MeshEditStatus status = MeshEditStatus::Done;
    {
        BusyPointer busy;
        doc_.EditPart("Add Poly", part, Change{.meshPart = part}, [&](CarModel& m) {
            status = AddTriangle(m, part, marked.corners[0], marked.corners[1], marked.corners[2]);
            return status == MeshEditStatus::Done;
        });
    }
    EditablePartOrSay(status);
}

void EditorPanel::RemovePoly_Click()
{
    const int part = doc_.Model().CurrentPart;
    std::vector<int> rows;
    for (const QModelIndex& index : triList_->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    if (!rows.empty()) {
        // The entries go from the highest down; the last one named is the lowest.
        status_.Show("Removing poly " + QString::number(*std::min_element(rows.begin(), rows.end()) + 1));
        MeshEditStatus status = MeshEditStatus::Done;
        {
            BusyPointer busy;
            doc_.EditPart("Remove Poly", part, Change{.meshPart = part}, [&](CarModel& m) {
                status = RemoveTriangles(m, part, rows);
                return status == MeshEditStatus::Done;
            });
        }
        if (!EditablePartOrSay(status))
            return;
    }
    status_.Show("Done.");
}

void EditorPanel::CmdTriSide_Click(int index)
{
    if (index < 0 || index > 1)
        return;
    editors_->triangle.TriSide[static_cast<std::size_t>(1 - index)]->hide();
    editors_->triangle.TriSide[static_cast<std::size_t>(index)]->show();
}

} // namespace mobrix::app
