#include "document/Document.h"

#include "PartsDummies.h"
#include "TexturePoints.h"
#include "VariantConversion.h"
#include "VertexEditor.h"

#include <QSignalBlocker>
#include <QUndoCommand>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace mobrix::app {

namespace {

// The history keeps at least this many steps; older ones are dropped.
constexpr int kHistoryLimit = 200;

// The history's default byte budget: 1 GiB, or a quarter of the memory the
// machine has when that is less.
std::size_t DefaultHistoryBudget()
{
    constexpr std::size_t kGiB = std::size_t{1} << 30;
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return std::min(kGiB, static_cast<std::size_t>(pages) / 4 * static_cast<std::size_t>(pageSize));
#endif
    return kGiB;
}

// Every step of the history. Its content is shared, so that the history can
// be rebuilt without its oldest steps: the steps kept are put into new
// commands, whose first redo does nothing, as the model already is there.
class Step : public QUndoCommand {
public:
    enum class FirstRedo { Skip, Run };

    Step(const QString& text, QUndoCommand* parent, FirstRedo first, bool joinable)
        : QUndoCommand(text, parent), skipRedo_(first == FirstRedo::Skip), joinable_(joinable)
    {
    }

    virtual std::size_t Bytes() const = 0;
    // The same step in a new command under `parent` (none: a top-level one).
    virtual QUndoCommand* Rewrapped(QUndoCommand* parent, bool joinable) const = 0;

    void undo() final { Undo(); }
    void redo() final
    {
        if (skipRedo_) {
            skipRedo_ = false;
            return;
        }
        Redo();
    }

protected:
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    bool Joinable() const { return joinable_; }

private:
    bool skipRedo_;
    bool joinable_;
};

std::size_t StepBytes(const QUndoCommand& command)
{
    std::size_t bytes = 0;
    if (const auto* step = dynamic_cast<const Step*>(&command))
        bytes += step->Bytes();
    for (int k = 0; k < command.childCount(); ++k)
        bytes += StepBytes(*command.child(k));
    return bytes;
}

// A command of the history (a step, or a macro of steps) in a new command.
QUndoCommand* Rewrapped(const QUndoCommand& command, QUndoCommand* parent, bool joinable)
{
    if (const auto* step = dynamic_cast<const Step*>(&command))
        return step->Rewrapped(parent, joinable);
    auto* macro = new QUndoCommand(command.text(), parent);
    for (int k = 0; k < command.childCount(); ++k)
        Rewrapped(*command.child(k), macro, false);
    return macro;
}

// A step that replaced a window of the tables (and the header): undo puts
// back the record's before side, redo its after side.
constexpr int kSliceStepId = 2;

struct SliceContent {
    EditRecord record;
    Change change;
    VertexSet set;
    Document::MergeKey key;
    int target;
    std::uint64_t epoch;
};

class SliceStep : public Step {
public:
    SliceStep(Document& doc, CarModel& model, const QString& text, std::shared_ptr<SliceContent> content,
              QUndoCommand* parent = nullptr, bool joinable = true)
        : Step(text, parent, FirstRedo::Skip, joinable), doc_(doc), model_(model), content_(std::move(content))
    {
    }

    int id() const override
    {
        return content_->key == Document::MergeKey::None || !Joinable() ? -1 : kSliceStepId;
    }

    // Only steps that change the header alone join.
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const SliceStep*>(other);
        if (next == nullptr)
            return false;
        const SliceContent& n = *next->content_;
        SliceContent& c = *content_;
        return n.key == c.key && n.target == c.target && n.epoch == c.epoch && n.set == c.set &&
               JoinEdits(c.record, n.record);
    }

    std::size_t Bytes() const override { return sizeof(SliceStep) + sizeof(SliceContent) + content_->record.Bytes(); }
    QUndoCommand* Rewrapped(QUndoCommand* parent, bool joinable) const override
    {
        return new SliceStep(doc_, model_, text(), content_, parent, joinable);
    }

protected:
    void Undo() override
    {
        doc_.UseVertexSet(content_->set);
        UndoEdit(model_, content_->record);
        doc_.Announce(content_->change);
    }
    void Redo() override
    {
        doc_.UseVertexSet(content_->set);
        RedoEdit(model_, content_->record);
        doc_.Announce(content_->change);
    }

private:
    Document& doc_;
    CarModel& model_;
    std::shared_ptr<SliceContent> content_;
};

constexpr int kMoveStepId = 1;

struct MoveContent {
    int part;
    VertexMoves moves;
    Document::MergeKey key;
    VertexSet set;
    std::uint64_t epoch;
};

class MoveStep : public Step {
public:
    MoveStep(Document& doc, CarModel& model, const QString& text, std::shared_ptr<MoveContent> content,
             QUndoCommand* parent = nullptr, bool joinable = true)
        : Step(text, parent, FirstRedo::Skip, joinable), doc_(doc), model_(model), content_(std::move(content))
    {
    }

    int id() const override { return content_->key == Document::MergeKey::None || !Joinable() ? -1 : kMoveStepId; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const MoveStep*>(other);
        if (next == nullptr)
            return false;
        const MoveContent& n = *next->content_;
        MoveContent& c = *content_;
        if (n.key != c.key || n.epoch != c.epoch || n.part != c.part || n.set != c.set ||
            n.moves.indices != c.moves.indices)
            return false;
        c.moves.after = n.moves.after;
        return true;
    }

    std::size_t Bytes() const override { return sizeof(MoveStep) + sizeof(MoveContent) + content_->moves.Bytes(); }
    QUndoCommand* Rewrapped(QUndoCommand* parent, bool joinable) const override
    {
        return new MoveStep(doc_, model_, text(), content_, parent, joinable);
    }

protected:
    void Undo() override { Put(content_->moves.before); }
    void Redo() override { Put(content_->moves.after); }

private:
    void Put(const std::vector<Vec3>& positions)
    {
        doc_.UseVertexSet(content_->set);
        PutPositions(model_, content_->moves.indices, positions);
        doc_.AnnounceMoved(content_->part, false);
    }

    Document& doc_;
    CarModel& model_;
    std::shared_ptr<MoveContent> content_;
};

// The section table before and after a change.
struct SectionsContent {
    RemapSections before;
    RemapSections after;
};

class SectionsStep : public Step {
public:
    SectionsStep(Document& doc, const QString& text, std::shared_ptr<SectionsContent> content, FirstRedo first,
                 QUndoCommand* parent = nullptr)
        : Step(text, parent, first, false), doc_(doc), content_(std::move(content))
    {
    }

    std::size_t Bytes() const override
    {
        return sizeof(SectionsStep) + sizeof(SectionsContent) +
               (content_->before.capacity() + content_->after.capacity()) * sizeof(RemapSection);
    }
    QUndoCommand* Rewrapped(QUndoCommand* parent, bool) const override
    {
        return new SectionsStep(doc_, text(), content_, FirstRedo::Skip, parent);
    }

protected:
    void Undo() override { doc_.PutSections(content_->before); }
    void Redo() override { doc_.PutSections(content_->after); }

private:
    Document& doc_;
    std::shared_ptr<SectionsContent> content_;
};

} // namespace

Document::Document(QObject* parent) : QObject(parent), historyBudget_(DefaultHistoryBudget())
{
    history_.setUndoLimit(kHistoryLimit);
}

void Document::SetHistoryBudget(std::size_t bytes)
{
    historyBudget_ = bytes;
    KeepHistoryWithinBudget();
}

std::size_t Document::HistoryBytes() const
{
    std::size_t bytes = 0;
    for (int i = 0; i < history_.count(); ++i)
        bytes += StepBytes(*history_.command(i));
    return bytes;
}

void Document::Push(QUndoCommand* step)
{
    history_.push(step);
    KeepHistoryWithinBudget();
}

void Document::KeepHistoryWithinBudget()
{
    // Steps are dropped only from a history whose every step is done and
    // whose macro, if any, is closed (it cannot be undone while open).
    const int count = history_.count();
    if (!history_.canUndo() || history_.index() != count)
        return;
    std::vector<std::size_t> bytes;
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(StepBytes(*history_.command(i)));
        total += bytes.back();
    }
    int drop = 0;
    while (total > historyBudget_ && drop < count - 1)
        total -= bytes[static_cast<std::size_t>(drop++)];
    if (drop == 0)
        return;
    DropOldestSteps(drop);
    emit oldStepsDropped();
}

// QUndoStack cannot drop its oldest commands: the kept ones are moved into
// new commands and pushed again (their redo does nothing), with the clean
// state where it was. Nothing a listener sees changes but the step count,
// so the history stays quiet meanwhile.
void Document::DropOldestSteps(int drop)
{
    const int count = history_.count();
    const int clean = history_.cleanIndex() - drop;
    std::vector<QUndoCommand*> kept;
    for (int i = drop; i < count; ++i)
        kept.push_back(Rewrapped(*history_.command(i), nullptr, i == count - 1));
    const QSignalBlocker quiet(&history_);
    history_.clear();
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (clean == static_cast<int>(k))
            history_.setClean();
        history_.push(kept[k]);
    }
    if (clean == static_cast<int>(kept.size()))
        history_.setClean();
    else if (clean < 0)
        history_.resetClean();
}

bool Document::SetSections(const QString& text, RemapSections after)
{
    if (after == sections_)
        return false;
    EndMerge();
    Push(new SectionsStep(*this, text, std::make_shared<SectionsContent>(SectionsContent{sections_, std::move(after)}),
                          Step::FirstRedo::Run));
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
    if (source.modified)
        history_.resetClean();
    emit modelReplaced();
}

void Document::Saved(const std::string& path, FceVariant variant, const std::string& archiveEntry)
{
    const bool setsChanged = state_.SaveVariant != variant ||
                             (variant != FceVariant::Nfs3 && VariantOfModel(model_) != variant);
    // "&Save" must now write this variant, or it would put the other
    // variant's bytes into the file just saved; an NFSIV or FCE4M save gave
    // the model its three vertex sets, which the editing routines keep in
    // step from now on. An NFSIV save left the FCE4M bytes out, and the model
    // is what the file now holds.
    state_.SaveVariant = variant;
    if (variant == FceVariant::Fce4m) {
        model_.FileFormat = ModelOrigin::Fce4m;
    } else if (variant == FceVariant::Nfs4) {
        model_.VertReservedC.clear();
        model_.FileFormat = ModelOrigin::Nfs4;
    }
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
    const ModelSlice before = TakeSlice(model_, extent, window);
    if (!change(model_))
        return false;
    TableWindow now = window;
    now.vertices = window.vertices + model_.Vertices.size() - vertices;
    now.triangles = window.triangles + model_.Triangles.size() - triangles;
    if (key == MergeKey::None)
        EndMerge();
    auto content = std::make_shared<SliceContent>(
        SliceContent{RecordEdit(before, model_, now), announce, model_.ActiveVertexSet, key, target, MergeEpoch()});
    Push(new SliceStep(*this, model_, text, std::move(content)));
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
    Push(new MoveStep(*this, model_, text,
                      std::make_shared<MoveContent>(
                          MoveContent{part, std::move(moves), key, model_.ActiveVertexSet, MergeEpoch()})));
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
