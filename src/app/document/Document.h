#pragma once
// The document: the one owner of the car model and of what the window knows
// about it (file, save variant, view settings, texture), with the undo
// history. Every change of the model goes through it, as an undo step or as
// a replacement of the whole model, and it announces what changed; the
// views, lists and panels listen and bring themselves up to date.

#include "CarModel.h"
#include "EditRecord.h"
#include "FceFiles.h"
#include "RecentFiles.h"
#include "RemapSections.h"
#include "ViewDrawing.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <functional>
#include <optional>

namespace mobrix::app {

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
    // The file the file information list reports on, and whether the
    // report goes after the one shown (a new model) or replaces it.
    std::string ReportPath;
    bool ReportAppends = false;
};

// What the views show and how.
struct ViewSettings {
    views::ViewState State;
    views::DisplayOptions Options;
    views::PartSelection Parts; // parts selected in the part list
    bool AllViews = true;       // the 2 x 2 grid
};

// What an edit changed, for the listeners.
struct Change {
    bool parts = false;   // part count, names or positions
    bool dummies = false; // dummy count, names or positions
    int meshPart = -1;    // the part whose vertices or triangles changed (-1: none)
    bool allMesh = false; // vertices or triangles of several parts
    bool colours = false; // the colour tables
};

inline constexpr int kEveryPart = -2;

inline constexpr const char* kOldStepsDroppedText = "Old undo steps were dropped to stay within the memory budget";

class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);

    const CarModel& Model() const { return model_; }
    // Direct access is for replacing the model (then ModelWasReplaced) and
    // for state outside the history; edits go through Edit and MoveVertices.
    CarModel& Model() { return model_; }
    DocumentState& State() { return state_; }
    const DocumentState& State() const { return state_; }
    ViewSettings& Views() { return views_; }
    const ViewSettings& Views() const { return views_; }
    QUndoStack& History() { return history_; }

    // The history drops its oldest steps once its steps hold more than
    // `bytes`; the newest step is kept even when it alone holds more, so
    // that the last edit can always be undone.
    void SetHistoryBudget(std::size_t bytes);
    std::size_t HistoryBudget() const { return historyBudget_; }
    // What the history's steps hold now, in bytes.
    std::size_t HistoryBytes() const;

    // The UV remap section table. It belongs to the session, not to the
    // model: New and Open keep it; the section editor and the remap data
    // file change it, through SetSections.
    const RemapSections& Sections() const { return sections_; }
    RemapSections& Sections() { return sections_; }
    // One undo step named `text` that replaces the section table; nothing
    // is kept when the table is the same.
    bool SetSections(const QString& text, RemapSections after);
    // Called by the undo steps.
    void PutSections(const RemapSections& sections);

    // The texture image shown in the texture-map view and the preview.
    const QString& TexturePath() const { return texturePath_; }
    void SetTexturePath(const QString& path);

    // New, Open, Quick Load and the conversions replaced the model: the
    // history starts afresh and the document is clean.
    void ModelWasReplaced();
    // The model was written to its file: the history's present is clean.
    void MarkSaved();
    // Something other than an edit changed the parts (a save that cut the
    // parts its variant cannot name): the steps before no longer fit.
    void StructureChangedOutsideHistory();

    // Steps that repeat one small command (a drag, nudges) join the step
    // before when they carry the same key and target, until EndMerge.
    enum class MergeKey { None, Drag, Nudge, DummyNudge, PartNudge };

    // One undo step named `text`: `change` edits the model within `extent`
    // over `window` and says whether it changed anything. Nothing is kept
    // when it did not.
    bool Edit(const QString& text, EditExtent extent, TableWindow window, const Change& announce,
              const std::function<bool(CarModel&)>& change, MergeKey key = MergeKey::None, int target = -1);
    // The same over one part's vertices and triangles (and the header).
    bool EditPart(const QString& text, int part, const Change& announce,
                  const std::function<bool(CarModel&)>& change);
    // The same over the header only: names, positions, colours.
    bool EditHeader(const QString& text, const Change& announce, const std::function<bool(CarModel&)>& change,
                    MergeKey key = MergeKey::None, int target = -1);

    // Moves working vertices (indices into Vertices) of `part` to new
    // positions as one undo step. A move with the same `mergeKey` and the
    // same vertices as the step before joins it, until EndMerge.
    void MoveVertices(const QString& text, int part, std::vector<std::int32_t> indices, std::vector<Vec3> after,
                      MergeKey key);
    // The next move starts a step of its own (a new drag, another command).
    void EndMerge() { ++mergeEpoch_; }
    std::uint64_t MergeEpoch() const { return mergeEpoch_; }

    // Announcements for changes made outside the history.
    void AnnounceSelection() { emit selectionChanged(); }
    void AnnounceViewState() { emit viewStateChanged(); }
    void AnnounceVertexSet() { emit vertexSetChanged(); }

    // Called by the undo steps after they changed the model.
    void Announce(const Change& change);
    void AnnounceMoved(int part, bool live);
    // Steps recorded with another vertex set in the working tables switch
    // back to it before they touch the tables.
    void UseVertexSet(VertexSet set);

signals:
    void modelReplaced();
    // The model was written to a file (its name may have changed).
    void saved();
    void partsChanged();
    void dummiesChanged();
    void coloursChanged();
    // The vertices or triangles of a part changed (kEveryPart: of several).
    void meshChanged(int part);
    // Vertices of a part moved while the user drags or nudges them; the
    // views draw such steps themselves.
    void verticesMoved(int part);
    void selectionChanged();
    void viewStateChanged();
    void textureChanged();
    void vertexSetChanged();
    void sectionsChanged();
    // Old steps left the history to keep it within its budget
    // (kOldStepsDroppedText says so).
    void oldStepsDropped();

private:
    void Push(QUndoCommand* step);
    void KeepHistoryWithinBudget();
    void DropOldestSteps(int drop);

    CarModel model_;
    DocumentState state_;
    ViewSettings views_;
    RemapSections sections_ = StartupRemapSections();
    QString texturePath_;
    QUndoStack history_;
    std::uint64_t mergeEpoch_ = 0;
    std::size_t historyBudget_;
};

} // namespace mobrix::app
