#include "document/Document.h"

#include "PartsDummies.h"
#include "TexturePoints.h"
#include "VertexEditor.h"

#include <QUndoCommand>

namespace mobrix::app {

namespace {

// The history keeps at least this many steps; older ones are dropped.
constexpr int kHistoryLimit = 200;

// A step that replaced a window of the tables (and the header): undo puts
// the old slice back in place of the new window, redo the new one in place
// of the old.
constexpr int kSliceStepId = 2;

class SliceStep : public QUndoCommand {
public:
    SliceStep(Document& doc, CarModel& model, const QString& text, ModelSlice before, ModelSlice after,
              const Change& change, VertexSet set, Document::MergeKey key, int target)
        : QUndoCommand(text), doc_(doc), model_(model), before_(std::move(before)), after_(std::move(after)), change_(change),
          set_(set), key_(key), target_(target), epoch_(doc.MergeEpoch())
    {
    }

    int id() const override { return key_ == Document::MergeKey::None ? -1 : kSliceStepId; }

    // Only steps that keep their window (header edits, moves) join.
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const SliceStep*>(other);
        if (next == nullptr || next->key_ != key_ || next->target_ != target_ || next->epoch_ != epoch_ ||
            next->set_ != set_ || next->before_.window != after_.window || next->after_.window != after_.window ||
            next->after_.extent != after_.extent)
            return false;
        after_ = next->after_;
        return true;
    }

    void undo() override { Put(before_, after_.window); }
    void redo() override
    {
        if (first_) {
            first_ = false;
            return;
        }
        Put(after_, before_.window);
    }

private:
    void Put(const ModelSlice& slice, TableWindow current)
    {
        doc_.UseVertexSet(set_);
        PutSlice(model_, slice, current);
        doc_.Announce(change_);
    }

    Document& doc_;
    CarModel& model_;
    ModelSlice before_;
    ModelSlice after_;
    Change change_;
    VertexSet set_;
    Document::MergeKey key_;
    int target_;
    std::uint64_t epoch_;
    bool first_ = true;
};

constexpr int kMoveStepId = 1;

class MoveStep : public QUndoCommand {
public:
    MoveStep(Document& doc, CarModel& model, const QString& text, int part, VertexMoves moves, Document::MergeKey key,
             VertexSet set)
        : QUndoCommand(text), doc_(doc), model_(model), part_(part), moves_(std::move(moves)), key_(key), set_(set),
          epoch_(doc.MergeEpoch())
    {
    }

    int id() const override { return key_ == Document::MergeKey::None ? -1 : kMoveStepId; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const MoveStep*>(other);
        if (next == nullptr || next->key_ != key_ || next->epoch_ != epoch_ || next->part_ != part_ ||
            next->set_ != set_ || next->moves_.indices != moves_.indices)
            return false;
        moves_.after = next->moves_.after;
        return true;
    }

    void undo() override { Put(moves_.before); }
    void redo() override
    {
        if (first_) {
            first_ = false;
            return;
        }
        Put(moves_.after);
    }

private:
    void Put(const std::vector<Vec3>& positions)
    {
        doc_.UseVertexSet(set_);
        PutPositions(model_, moves_.indices, positions);
        doc_.AnnounceMoved(part_, false);
    }

    Document& doc_;
    CarModel& model_;
    int part_;
    VertexMoves moves_;
    Document::MergeKey key_;
    VertexSet set_;
    std::uint64_t epoch_;
    bool first_ = true;
};

// The section table before and after a change.
class SectionsStep : public QUndoCommand {
public:
    SectionsStep(Document& doc, const QString& text, RemapSections before, RemapSections after)
        : QUndoCommand(text), doc_(doc), before_(std::move(before)), after_(std::move(after))
    {
    }

    void undo() override { doc_.PutSections(before_); }
    void redo() override { doc_.PutSections(after_); }

private:
    Document& doc_;
    RemapSections before_;
    RemapSections after_;
};

} // namespace

Document::Document(QObject* parent) : QObject(parent)
{
    history_.setUndoLimit(kHistoryLimit);
}

bool Document::SetSections(const QString& text, RemapSections after)
{
    if (after == sections_)
        return false;
    EndMerge();
    history_.push(new SectionsStep(*this, text, sections_, std::move(after)));
    return true;
}

void Document::PutSections(const RemapSections& sections)
{
    sections_ = sections;
    emit sectionsChanged();
}

void Document::SetTexturePath(const QString& path)
{
    texturePath_ = path;
    model_.TextureFileName = path.toStdString();
    emit textureChanged();
}

// The place a new model opens at: what choosing the first entry of the part
// list and keeping the dummy list's entry did, so that no listener depends on
// another having run first.
void Document::ReplaceModel(CarModel model, const ModelSource& source)
{
    model_ = std::move(model);
    state_.SaveVariant = source.saveVariant;
    state_.ModelExists = true;
    state_.ReportPath = source.reportPath;
    state_.ReportAppends = source.reportAppends;
    state_.OffersSave = source.offersSave;
    state_.ArchivePath = source.archive.archive;
    state_.ArchiveEntry = source.archive.entry;
    const std::size_t listed = PartListNames(model_).size();
    views_.Parts.Shown.assign(listed, false);
    if (listed > 0) {
        ClearPartChoiceMarks(model_);
        model_.CurrentPart = 0;
        views_.Parts.Shown[0] = true;
    }
    const int dummies = static_cast<int>(DummyListNames(model_).size());
    if (dummies > 0 && (model_.CurrentDummy < 0 || model_.CurrentDummy >= dummies))
        model_.CurrentDummy = 0;
    ResetHistory(false);
    history_.setClean();
    emit modelReplaced();
}

void Document::Saved(const std::string& path, FceVariant variant, const std::string& archiveEntry)
{
    const bool setsChanged = state_.SaveVariant != variant ||
                             (variant == FceVariant::Nfs4 && model_.FileFormat != ModelOrigin::Nfs4);
    // "&Save" must now write this variant, or it would put the other
    // variant's bytes into the file just saved; an NFSIV save gave the model
    // its three vertex sets, which the editing routines keep in step from
    // now on.
    state_.SaveVariant = variant;
    if (variant == FceVariant::Nfs4)
        model_.FileFormat = ModelOrigin::Nfs4;
    model_.FileName = path;
    state_.ArchivePath = archiveEntry.empty() ? std::string() : path;
    state_.ArchiveEntry = archiveEntry;
    EndMerge();
    history_.setClean();
    emit saved();
    if (setsChanged)
        emit vertexSetChanged();
}

void Document::PrepareForSave(FceVariant variant)
{
    const std::int32_t partsBefore = model_.Header.NumParts;
    mobrix::PrepareForSave(model_, variant);
    if (model_.Header.NumParts == partsBefore)
        return;
    // The lists and views must not go on offering the parts cut.
    ResetHistory(history_.isClean());
    emit partsChanged();
    emit meshChanged(kEveryPart);
}

void Document::ResetHistory(bool keepClean)
{
    history_.clear();
    if (!keepClean)
        history_.resetClean();
    EndMerge();
}

bool Document::Edit(const QString& text, EditExtent extent, TableWindow window, const Change& announce,
                    const std::function<bool(CarModel&)>& change, MergeKey key, int target)
{
    const std::size_t vertices = model_.Vertices.size();
    const std::size_t triangles = model_.Triangles.size();
    ModelSlice before = TakeSlice(model_, extent, window);
    if (!change(model_))
        return false;
    TableWindow now = window;
    now.vertices = window.vertices + model_.Vertices.size() - vertices;
    now.triangles = window.triangles + model_.Triangles.size() - triangles;
    ModelSlice after = TakeSlice(model_, extent, now);
    if (key == MergeKey::None)
        EndMerge();
    history_.push(new SliceStep(*this, model_, text, std::move(before), std::move(after), announce, model_.ActiveVertexSet,
                                key, target));
    Announce(announce);
    return true;
}

bool Document::EditPart(const QString& text, int part, const Change& announce,
                        const std::function<bool(CarModel&)>& change)
{
    return Edit(text, EditExtent::Mesh, PartWindow(model_, part), announce, change);
}

bool Document::EditHeader(const QString& text, const Change& announce, const std::function<bool(CarModel&)>& change,
                          MergeKey key, int target)
{
    return Edit(text, EditExtent::Header, TableWindow{}, announce, change, key, target);
}

void Document::MoveVertices(const QString& text, int part, std::vector<std::int32_t> indices, std::vector<Vec3> after,
                            MergeKey key)
{
    VertexMoves moves;
    moves.before = PositionsOf(model_, indices);
    moves.after = std::move(after);
    moves.indices = std::move(indices);
    PutPositions(model_, moves.indices, moves.after);
    history_.push(new MoveStep(*this, model_, text, part, std::move(moves), key, model_.ActiveVertexSet));
    AnnounceMoved(part, true);
}

// ---------------------------------------------------------------------------
// The user's place in the model

void Document::SelectParts(int current, std::vector<bool> shown)
{
    ClearPartChoiceMarks(model_);
    if (current >= 0)
        model_.CurrentPart = static_cast<std::int16_t>(current);
    views_.Parts.Shown = std::move(shown);
    EndMerge();
    emit selectionChanged();
}

void Document::SetShownParts(std::vector<bool> shown)
{
    if (shown == views_.Parts.Shown)
        return;
    views_.Parts.Shown = std::move(shown);
    emit selectionChanged();
}

void Document::SetCurrentDummy(int dummy)
{
    if (dummy == model_.CurrentDummy)
        return;
    model_.CurrentDummy = static_cast<std::int16_t>(dummy);
    EndMerge();
    emit currentDummyChanged(dummy);
}

bool Document::SetVertexMark(int part, int row, bool selected)
{
    if (!mobrix::SetVertexMark(model_, part, row, selected))
        return false;
    EndMerge();
    emit vertexMarkChanged(static_cast<int>(PartVertexRange(model_, part).begin + row));
    return true;
}

void Document::SetVertexMarks(const std::vector<int>& vertices, bool selected)
{
    mobrix::SetVertexMarks(model_, vertices, selected);
    EndMerge();
    emit marksChanged();
}

void Document::ClearVertexMarks()
{
    DeselectAll(model_);
    EndMerge();
    emit marksChanged();
}

void Document::InvertVertexMarks()
{
    mobrix::InvertVertexMarks(model_);
    EndMerge();
    emit marksChanged();
}

int Document::PickTexturePoints(float u, float v, bool deselect)
{
    const int changed = mobrix::PickTexturePoints(model_, model_.CurrentPart, u, v, deselect);
    if (changed > 0) {
        EndMerge();
        emit marksChanged();
    }
    return changed;
}

void Document::HighlightTriangle(int triangle)
{
    std::vector<int> before;
    for (std::size_t t = 0; t < model_.TriState.size(); ++t) {
        if (model_.TriState[t].Selected != 0) {
            before.push_back(static_cast<int>(t));
            model_.TriState[t].Selected = 0;
        }
    }
    if (triangle >= 0 && static_cast<std::size_t>(triangle) < model_.TriState.size())
        model_.TriState[static_cast<std::size_t>(triangle)].Selected = -1;
    emit triangleHighlighted(triangle, before);
}

bool Document::SwitchVertexSet(VertexSet set)
{
    if (!mobrix::SwitchVertexSet(model_, set))
        return false;
    EndMerge();
    emit vertexSetChanged();
    return true;
}

// ---------------------------------------------------------------------------
// The views' settings

void Document::SetDisplayOptions(const views::DisplayOptions& options)
{
    const bool refit = options.MaintainAspect != views_.Options.MaintainAspect;
    views_.Options = options;
    emit displayOptionsChanged(refit);
}

void Document::SetViewState(const views::ViewState& state)
{
    views_.State = state;
    emit viewStateChanged();
}

void Document::SetViewFit(const views::ViewState& state)
{
    views_.State = state;
    emit viewsFitted();
}

void Document::SetAllViews(bool all)
{
    views_.AllViews = all;
    emit allViewsChanged();
}

void Document::SetBandSection(int section)
{
    if (section == state_.BandSection)
        return;
    state_.BandSection = section;
    emit bandSectionChanged(section);
}

void Document::SetRecentFiles(const RecentSlots& recent)
{
    state_.RecentFiles = recent;
    emit recentFilesChanged();
}

// ---------------------------------------------------------------------------
// For the undo steps

void Document::Announce(const Change& change)
{
    if (change.parts)
        emit partsChanged();
    if (change.dummies)
        emit dummiesChanged();
    if (change.colours)
        emit coloursChanged();
    if (change.allMesh)
        emit meshChanged(kEveryPart);
    else if (change.meshPart >= 0)
        emit meshChanged(change.meshPart);
}

void Document::AnnounceMoved(int part, bool live)
{
    if (live)
        emit verticesMoved(part);
    else
        emit meshChanged(part);
}

void Document::UseVertexSet(VertexSet set)
{
    if (model_.ActiveVertexSet == set)
        return;
    if (mobrix::SwitchVertexSet(model_, set))
        emit vertexSetChanged();
}

} // namespace mobrix::app
