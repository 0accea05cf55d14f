#include "GlobeWindow.h"

#include "Normals.h"
#include "TrimletApp.h"
#include "Workspace.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace trimlet {

namespace {

constexpr int kFlagRows = 31;

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QStringList FlagRowTexts()
{
    QStringList rows{"1: Don't Chrome", "2: High Chrome",    "3: No Cull",       "4: Semi-transparent",
                     "5: Unknown",      "6: All Windows",    "7: Front Window",  "8: Left Window",
                     "9: Back Window",  "10: Right Window",  "11: Broken Window"};
    for (int n = 12; n <= kFlagRows; ++n)
        rows << QString::number(n) + ": Unknown";
    return rows;
}

QStringList HelpLines()
{
    return {" NFS4 Trimlet v0.1",      " S - Save FCE",       " F - Fuse Selected Parts",
            " N - Generate Normals",   " M - Generate Normals (2)", " Q - Show Solid",
            " W - Show Wireframe",     " + / Wheel - Closer", " - / Wheel - Farther",
            " Home - Reset Camera"};
}

void FlagList::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    emit released();
}

GlobeWindow::GlobeWindow(TrimletApp& app) : app_(app)
{
    setObjectName("frmGlobe");
    setWindowTitle("Trimlet");

    TopLine = new QFrame(this);
    TopLine->setObjectName("TopLine");
    TopLine->setFrameShape(QFrame::HLine);
    TopLine->setFrameShadow(QFrame::Sunken);

    PartList = new QListWidget(this);
    PartList->setObjectName("PartList");
    PartList->setSelectionMode(QAbstractItemView::MultiSelection);

    VertType = new QComboBox(this);
    VertType->setObjectName("VertType");
    VertType->addItems({"1 - Undamaged", "2 - Undamaged", "3 - Damaged"});
    VertType->setCurrentIndex(0);

    smoothing = new FlagList(this);
    smoothing->setObjectName("smoothing");
    smoothing->setSelectionMode(QAbstractItemView::MultiSelection);
    smoothing->addItems(FlagRowTexts());

    Picture1 = new QLabel(HelpLines().join('\n'), this);
    Picture1->setObjectName("Picture1");
    Picture1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Picture1->setFrameShape(QFrame::StyledPanel);

    view_ = new SceneView(scene_, this);
    view_->hide(); // the device is made later in the start-up

    auto* side = new QVBoxLayout;
    side->addWidget(Caption("Parts", this));
    side->addWidget(PartList, 2);
    side->addWidget(Caption("Vertex set", this));
    side->addWidget(VertType);
    side->addWidget(Caption("Triangle flags", this));
    side->addWidget(smoothing, 3);
    side->addWidget(Picture1);
    auto* sideWidget = new QWidget(this);
    sideWidget->setLayout(side);
    sideWidget->setFixedWidth(210);

    auto* body = new QHBoxLayout;
    body->addWidget(sideWidget);
    body->addWidget(view_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TopLine);
    layout->addLayout(body, 1);

    connect(PartList, &QListWidget::itemSelectionChanged, this, &GlobeWindow::PartListClicked);
    connect(PartList, &QListWidget::currentRowChanged, this, &GlobeWindow::PartListClicked);
    connect(VertType, &QComboBox::currentIndexChanged, this, &GlobeWindow::VertTypeChosen);
    connect(smoothing, &FlagList::released, this, &GlobeWindow::ApplyFlags);
    connect(view_, &SceneView::FacePicked, this, &GlobeWindow::ShowFlagsOfCurrentFace);

    // The command keys work wherever the focus is.
    for (QWidget* child : {static_cast<QWidget*>(PartList), static_cast<QWidget*>(VertType),
                           static_cast<QWidget*>(smoothing), static_cast<QWidget*>(view_)})
        child->installEventFilter(this);
    resize(1024, 660);
}

void GlobeWindow::CreateDevice()
{
    view_->show();
}

void GlobeWindow::FillPartList(const std::vector<std::string>& names)
{
    const QSignalBlocker blocker(PartList);
    PartList->clear();
    for (const std::string& name : names)
        PartList->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    if (PartList->count() > 0) {
        // The scene starts with the first part; the list says so.
        PartList->setCurrentRow(0, QItemSelectionModel::Select);
    }
}

bool GlobeWindow::LoadPart(int part)
{
    const auto& names = app_.Store().Project.PartFileNames;
    if (part < 0 || part >= static_cast<int>(names.size()))
        return true;
    const std::string& fileName = names[static_cast<std::size_t>(part)];
    auto loaded = trimlet::LoadPart(app_.TempFolder(), fileName);
    if (auto* failure = std::get_if<FileFailure>(&loaded))
        return !app_.ReportFileFailure(*failure, "Loading PRT");
    scene_.AddMesh(fileName, std::move(std::get<PartFile>(loaded)));
    return true;
}

void GlobeWindow::RebuildMeshes()
{
    scene_.ClearMeshes();
    for (int p = 0; p < PartList->count(); ++p) {
        if (PartList->item(p)->isSelected() || PartList->currentRow() == p) {
            if (!LoadPart(p))
                return;
        }
    }
}

void GlobeWindow::PartListClicked()
{
    // One click moves the current row and changes the selection, and each
    // tells: the rebuild waits until the click has been handled and then
    // runs once.
    if (rebuildPending_)
        return;
    rebuildPending_ = true;
    QMetaObject::invokeMethod(this, &GlobeWindow::RebuildAfterClick, Qt::QueuedConnection);
}

void GlobeWindow::RebuildAfterClick()
{
    rebuildPending_ = false;
    if (app_.Running())
        RebuildMeshes();
}

void GlobeWindow::VertTypeChosen(int row)
{
    // A choice made while the start-up is still running is kept; the meshes
    // already loaded show it at once, and later ones load with it.
    scene_.SetVertexSet(row);
    if (app_.Running())
        RebuildMeshes();
}

void GlobeWindow::ShowFlagsOfCurrentFace()
{
    const auto face = scene_.CurrentFace();
    if (!face)
        return;
    const std::int32_t flags =
        scene_.Meshes()[static_cast<std::size_t>(face->mesh)].data.Triangles[static_cast<std::size_t>(face->face)].Flags;
    for (int r = 0; r < smoothing->count(); ++r)
        smoothing->item(r)->setSelected((static_cast<std::uint32_t>(flags) >> r) & 1u);
}

void GlobeWindow::ApplyFlags()
{
    const auto face = scene_.CurrentFace();
    if (!face)
        return; // nothing picked yet
    std::uint32_t flags = 0;
    for (int r = 0; r < smoothing->count(); ++r) {
        if (smoothing->item(r)->isSelected())
            flags |= 1u << r;
    }
    const SceneMesh& mesh = scene_.Meshes()[static_cast<std::size_t>(face->mesh)];
    PartFile data = mesh.data;
    data.Triangles[static_cast<std::size_t>(face->face)].Flags = static_cast<std::int32_t>(flags);
    if (auto failure = SavePart(app_.TempFolder(), mesh.fileName, data)) {
        app_.ReportError(failure->errorNumber, failure->message, "Saving PRT");
        return;
    }
    scene_.ReplaceMeshData(face->mesh, std::move(data));
}

void GlobeWindow::FuseSelectedParts()
{
    std::vector<int> rows;
    for (int p = 0; p < PartList->count(); ++p) {
        if (PartList->item(p)->isSelected())
            rows.push_back(p);
    }
    auto fused = FuseParts(app_.TempFolder(), app_.Store().Project, rows);
    if (auto* failure = std::get_if<FileFailure>(&fused)) {
        app_.ReportFileFailure(*failure, "Fusing PRT file");
        return;
    }
    const FuseOutcome& outcome = std::get<FuseOutcome>(fused);
    if (outcome.target < 0)
        return;
    {
        const QSignalBlocker blocker(PartList);
        for (auto it = outcome.removed.rbegin(); it != outcome.removed.rend(); ++it)
            delete PartList->takeItem(*it);
        PartList->setCurrentRow(outcome.target, QItemSelectionModel::Select);
    }
    RebuildMeshes();
}

void GlobeWindow::GenerateNormals(NormalKind kind)
{
    const int row = PartList->currentRow();
    const auto& names = app_.Store().Project.PartFileNames;
    if (row < 0 || row >= static_cast<int>(names.size()))
        return;
    const int mesh = scene_.MeshOfFile(names[static_cast<std::size_t>(row)]);
    if (mesh < 0)
        return;
    const int set = scene_.VertexSet();
    PartFile data = scene_.Meshes()[static_cast<std::size_t>(mesh)].data;
    data.NormalSets[static_cast<std::size_t>(set)] =
        kind == NormalKind::Radial ? RadialNormals(data, set) : FaceAveragedNormals(data, set);
    if (auto failure = SavePart(app_.TempFolder(), names[static_cast<std::size_t>(row)], data)) {
        app_.ReportError(failure->errorNumber, failure->message, "Generating normals");
        return;
    }
    scene_.ReplaceMeshData(mesh, std::move(data));
}

void GlobeWindow::Save()
{
    if (auto failure = JoinFce(app_.FcePath(), app_.TempFolder(), app_.Store()))
        app_.ReportSaveFailure(*failure);
}

bool GlobeWindow::RunKey(const QString& text)
{
    // The window is shown while start-up still runs; until the model has
    // been split there is nothing the keys may save, fuse or change.
    if (!app_.Running())
        return false;
    const QString key = text.toLower();
    if (key == "f")
        FuseSelectedParts();
    else if (key == "+")
        scene_.MoveCloser();
    else if (key == "-")
        scene_.MoveAway();
    else if (key == "n")
        GenerateNormals(NormalKind::Radial);
    else if (key == "m")
        GenerateNormals(NormalKind::FromFaces);
    else if (key == "s")
        Save();
    else if (key == "w")
        scene_.ShowWireframe = !scene_.ShowWireframe;
    else if (key == "q")
        scene_.ShowSolid = !scene_.ShowSolid;
    else
        return false;
    return true;
}

bool GlobeWindow::RunKey(const QKeyEvent& event)
{
    // Home has no character; it puts the camera back where it started.
    if (event.key() == Qt::Key_Home && app_.Running()) {
        scene_.ResetCamera();
        return true;
    }
    return RunKey(event.text());
}

bool GlobeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && RunKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void GlobeWindow::keyPressEvent(QKeyEvent* event)
{
    if (!RunKey(*event))
        QWidget::keyPressEvent(event);
}

} // namespace trimlet
