#include "commands/TransformCommands.h"

#include "support/BusyPointer.h"
#include "support/MenuAction.h"
#include "dialogs/ModalDialog.h"
#include "PartsDummies.h"
#include "dialogs/frmCPart.h"
#include "dialogs/frmRescale.h"

#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <array>
#include <optional>

namespace mobrix::app {

namespace {

bool Done(MeshToolStatus status)
{
    return status == MeshToolStatus::Done;
}

// The vertices of the parts from `first` to `last`, which rescaling the
// parts between may change.
TableWindow VertexSpan(const CarModel& model, int first, int last)
{
    const TableWindow low = PartWindow(model, first);
    const TableWindow high = PartWindow(model, last);
    const std::size_t end = std::max(low.firstVertex + low.vertices, high.firstVertex + high.vertices);
    return TableWindow{low.firstVertex, end - low.firstVertex, 0, 0};
}

// Every triangle and no vertex: the winding changes only the triangles.
TableWindow TriangleWindow(const CarModel& model)
{
    return TableWindow{0, 0, 0, model.Triangles.size()};
}

// Step names, in the order of the enumerators.
constexpr std::array<const char*, 3> kSwapSteps{"Swap X Y", "Swap X Z", "Swap Y Z"};
constexpr std::array<const char*, 3> kMirrorSteps{"Mirror X", "Mirror Y", "Mirror Z"};

template <class Enum>
const char* StepName(const std::array<const char*, 3>& names, Enum value)
{
    return names[static_cast<std::size_t>(value)];
}

// A swap turns the whole car: every vertex and triangle, the part
// positions and the dummies.
constexpr Change kWholeCar{.parts = true, .dummies = true, .allMesh = true};

} // namespace

TransformCommands::TransformCommands(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* window)
    : QObject(window), doc_(doc), status_(status), dialogs_(dialogs), window_(window)
{
}

void TransformCommands::BuildEditItems(QMenu* edit)
{
    QMenu* swap = edit->addMenu("Swap X, Y, Z");
    swap->setObjectName("mnuSwap");
    AddMenuAction(swap, "mnuSwapXY", "Swap X Y", this, [this] { mnuSwap_Click(AxisPair::XY); });
    AddMenuAction(swap, "mnuSwapXZ", "Swap X Z", this, [this] { mnuSwap_Click(AxisPair::XZ); });
    AddMenuAction(swap, "mnuSwapYZ", "Swap Y Z", this, [this] { mnuSwap_Click(AxisPair::YZ); });
    QMenu* mirror = edit->addMenu("Mirror");
    mirror->setObjectName("mnuMirror");
    AddMenuAction(mirror, "mnuMirrorX", "Mirror X", this, [this] { mnuMirror_Click(Axis::X); });
    AddMenuAction(mirror, "mnuMirrorY", "Mirror Y", this, [this] { mnuMirror_Click(Axis::Y); });
    AddMenuAction(mirror, "mnuMirrorZ", "Mirror Z", this, [this] { mnuMirror_Click(Axis::Z); });
    AddMenuAction(edit, "mnuRotate", "Rotate Mesh", this, [this] { mnuRotate_Click(); });
    AddMenuAction(edit, "mnuRescale", "&Rescale Model", this, [this] { mnuRescale_Click(); });
    AddMenuAction(edit, "mnuCent", "Centre Part", this, [this] { mnuCent_Click(); });
    AddMenuAction(edit, "mnuCentAll", "Centre All Parts", this, [this] { mnuCentAll_Click(); });
    edit->addSeparator();
    AddMenuAction(edit, "mnuCPart", "&Copy Part", this, [this] { mnuCPart_Click(); });
}

void TransformCommands::BuildToolItems(QMenu* tools)
{
    AddMenuAction(tools, "mnuWind", "Reverse Winding Order", this, [this] { mnuWind_Click(); });
    AddMenuAction(tools, "mnuRPolys", "Remove Duplicate Polys", this, [this] { mnuRPolys_Click(); });
    AddMenuAction(tools, "mnuRVerts", "Remove Unnecessary Verts", this, [this] { mnuRVerts_Click(); });
    tools->addSeparator();
    AddMenuAction(tools, "mnuFuse", "&Fuse Selected Parts", this, [this] { mnuFuse_Click(); });
}

std::vector<int> TransformCommands::SelectedParts() const
{
    const int current = doc_.Model().CurrentPart;
    const views::PartSelection& selection = doc_.Views().Parts;
    std::vector<int> parts;
    for (int p = 0; p < UsablePartCount(doc_.Model().Header); ++p)
        if (p == current || selection.IsShown(p))
            parts.push_back(p);
    return parts;
}

void TransformCommands::ShowStatus(const std::string& text)
{
    if (!text.empty())
        status_.Show(QString::fromStdString(text));
}

// ---------------------------------------------------------------------------
// "&Edit": transforms

void TransformCommands::mnuSwap_Click(AxisPair pair)
{
    doc_.Edit(StepName(kSwapSteps, pair), EditExtent::Mesh, WholeWindow(doc_.Model()), kWholeCar,
              [&](CarModel& m) { return Done(SwapAxes(m, pair).status); });
}

void TransformCommands::mnuRotate_Click()
{
    doc_.Edit("Rotate Mesh", EditExtent::Mesh, WholeWindow(doc_.Model()), kWholeCar,
              [](CarModel& m) { return Done(RotateMesh(m).status); });
}

void TransformCommands::mnuMirror_Click(Axis axis)
{
    const int part = doc_.Model().CurrentPart;
    // The part's triangles turn with it, so the step keeps them too.
    doc_.EditPart(StepName(kMirrorSteps, axis), part, Change{.meshPart = part},
                  [&](CarModel& m) { return Done(MirrorPart(m, part, axis).status); });
}

void TransformCommands::mnuRescale_Click()
{
    std::optional<RescalePercent> chosen;
    RunModal<frmRescale>(
        dialogs_, this,
        [&](frmRescale& dialog, int result) {
            if (result == QDialog::Accepted)
                chosen = dialog.Percent();
        },
        window_);
    const std::vector<int> parts = SelectedParts();
    if (!chosen || parts.empty())
        return;
    const RescalePercent percent = *chosen;
    WhileBusy([&] {
        return doc_.Edit("Rescale Model", EditExtent::Vertices, VertexSpan(doc_.Model(), parts.front(), parts.back()),
                         Change{.parts = true, .allMesh = true},
                         [&](CarModel& m) { return Done(RescaleParts(m, parts, percent).status); });
    });
}

// The box with the bounding box and its centre, or why nothing was centred.
void TransformCommands::ShowCentring(const CentreResult& result)
{
    if (result.status == MeshToolStatus::EmptyScope)
        dialogs_.Plain(kProgramTitle, kNothingToCentreMessage);
    else if (Done(result.status))
        dialogs_.Plain(kProgramTitle, QString::fromStdString(MessageBoxText(result.messageLines)));
}

void TransformCommands::mnuCent_Click()
{
    const int part = doc_.Model().CurrentPart;
    CentreResult result;
    doc_.Edit("Centre Part", EditExtent::Vertices, PartWindow(doc_.Model(), part), Change{.meshPart = part},
              [&](CarModel& m) {
                  result = CentrePart(m, part);
                  return Done(result.status);
              });
    ShowCentring(result);
}

void TransformCommands::mnuCentAll_Click()
{
    CentreResult result;
    doc_.Edit("Centre All Parts", EditExtent::Vertices, WholeWindow(doc_.Model()), Change{.allMesh = true},
              [&](CarModel& m) {
                  result = CentreAllParts(m);
                  return Done(result.status);
              });
    ShowCentring(result);
}

void TransformCommands::mnuCPart_Click()
{
    // Copying a part over itself is accepted and changes nothing, so it
    // leaves no step behind.
    auto copy = [this](int from, int to) {
        CopyPartResult result;
        doc_.EditPart("Copy Part", to, Change{.meshPart = to}, [&](CarModel& m) {
            result = CopyPart(m, from, to);
            return Done(result.status) && from != to;
        });
        if (result.status == MeshToolStatus::SizeMismatch)
            dialogs_.Warning(kCopyPartSizeTitle, QString::fromStdString(result.message));
        return Done(result.status);
    };
    RunModal<frmCPart>(dialogs_, this, [](frmCPart&, int) {}, PartListNames(doc_.Model()), copy, window_);
}

// ---------------------------------------------------------------------------
// "&Tools": clean-up

void TransformCommands::mnuWind_Click()
{
    WhileBusy([&] {
        return doc_.Edit("Reverse Winding Order", EditExtent::Mesh, TriangleWindow(doc_.Model()),
                         Change{.allMesh = true}, [](CarModel& m) { return Done(ReverseWindingOrder(m).status); });
    });
}

// Both clean-up commands change the current part only, and a command that
// removed nothing leaves no step; the status line shows its final text.
void TransformCommands::CleanUpCurrentPart(const char* text, CleanUpResult (*cleanUp)(CarModel&, int))
{
    const int part = doc_.Model().CurrentPart;
    CleanUpResult result;
    WhileBusy([&] {
        return doc_.EditPart(text, part, Change{.meshPart = part}, [&](CarModel& m) {
            result = cleanUp(m, part);
            // Merging coincident vertices leaves all but one of them unused,
            // so a merge always removes a vertex as well.
            return result.removedTriangles + result.removedVertices > 0;
        });
    });
    ShowStatus(result.statusText);
}

void TransformCommands::mnuRPolys_Click()
{
    CleanUpCurrentPart("Remove Duplicate Polys", &RemoveDuplicatePolys);
}

void TransformCommands::mnuRVerts_Click()
{
    CleanUpCurrentPart("Remove Unnecessary Verts", &RemoveUnnecessaryVerts);
}

// The selected parts are appended to the current part; the window runs from
// the lowest part involved, since every part after it may move down.
void TransformCommands::mnuFuse_Click()
{
    const int target = doc_.Model().CurrentPart;
    const std::vector<int> parts = SelectedParts();
    if (parts.size() < 2)
        return;
    WhileBusy([&] {
        return doc_.Edit("Fuse Selected Parts", EditExtent::Mesh, PartsFromWindow(doc_.Model(), parts.front()),
                         Change{.parts = true, .allMesh = true}, [&](CarModel& m) {
                             const FuseResult result = FuseParts(m, target, parts);
                             return Done(result.status) && result.fusedParts > 0;
                         });
    });
}

} // namespace mobrix::app
