#include "Document.h"

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
    SliceStep(Document& doc, const QString& text, ModelSlice before, ModelSlice after, const Change& change,
              VertexSet set, Document::MergeKey key, int target)
        : QUndoCommand(text), doc_(doc), before_(std::move(before)), after_(std::move(after)), change_(change),
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
        PutSlice(doc_.Model(), slice, current);
        doc_.Announce(change_);
    }

    Document& doc_;
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
    MoveStep(Document& doc, const QString& text, int part, VertexMoves moves, Document::MergeKey key, VertexSet set)
        : QUndoCommand(text), doc_(doc), part_(part), moves_(std::move(moves)), key_(key), set_(set),
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
        PutPositions(doc_.Model(), moves_.indices, positions);
        doc_.AnnounceMoved(part_, false);
    }

    Document& doc_;
    int part_;
    VertexMoves moves_;
    Document::MergeKey key_;
    VertexSet set_;
    std::uint64_t epoch_;
    bool first_ = true;
};

} // namespace

Document::Document(QObject* parent) : QObject(parent)
{
    history_.setUndoLimit(kHistoryLimit);
}

void Document::SetTexturePath(const QString& path)
{
    texturePath_ = path;
    model_.TextureFileName = path.toStdString();
    emit textureChanged();
}

void Document::ModelWasReplaced()
{
    history_.clear();
    history_.setClean();
    EndMerge();
    emit modelReplaced();
}

void Document::MarkSaved()
{
    EndMerge();
    history_.setClean();
    emit saved();
}

void Document::StructureChangedOutsideHistory()
{
    const bool clean = history_.isClean();
    history_.clear();
    if (!clean)
        history_.resetClean();
    EndMerge();
    emit partsChanged();
    emit meshChanged(kEveryPart);
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
    history_.push(new SliceStep(*this, text, std::move(before), std::move(after), announce, model_.ActiveVertexSet,
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
    history_.push(new MoveStep(*this, text, part, std::move(moves), key, model_.ActiveVertexSet));
    AnnounceMoved(part, true);
}

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
    if (SwitchVertexSet(model_, set))
        emit vertexSetChanged();
}

} // namespace mobrix::app
