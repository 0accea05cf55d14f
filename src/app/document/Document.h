#pragma once
// The document: the one owner of the car model and of what the window knows
// about it (file, save variant, view settings, texture), with the undo
// history. Every change of the model goes through it, as an undo step or as
// a replacement of the whole model, and it announces what changed; the
// views, lists and panels listen and bring themselves up to date.

#include "CarArchive.h"
#include "CarModel.h"
#include "EditRecord.h"
#include "FceFiles.h"
#include "document/RecentFiles.h"
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
    // Whether the model last replaced turned "&Save" on.
    bool OffersSave = false;
    // A model read from or saved into a car archive: the archive (the
    // model's FileName too) and the entry "&Save" writes. Both empty for a
    // loose FCE file.
    std::string ArchivePath;
    std::string ArchiveEntry;
    // The remap section the rubber band of the Triangle Editor assigns.
    int BandSection = -1;
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

// Where a whole new model came from: the variant "&Save" writes it in again
// (none after "&New" and for converted models, which have no FCE file of
// their own yet) and the file the file information list reports on.
struct ModelSource {
    std::optional<FceVariant> saveVariant;
    std::string reportPath;
    bool reportAppends = false; // the report goes after the one shown
    // Whether the new model turns "&Save" on: a new model and one converted
    // from X do not, until it was saved with "Save &As".
    bool offersSave = true;
    // The car archive and its entry the model was read from; empty for a
    // loose file.
    ArchiveRef archive = {};
    // A model recovered from a recovery copy differs from its file: the
    // history starts away from its clean state.
    bool modified = false;
};

// The document is closed: everyone reads it, and every change goes through
// one of its entry points, which announces what changed with its own signal.
// Edits of the model's content are undo steps; a new model comes through
// ReplaceModel and a save reports through Saved; the user's place in the
// model (the current part and dummy, the marks) and the view settings have
// setters of their own.
class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);

    const CarModel& Model() const { return model_; }
    const DocumentState& State() const { return state_; }
    const ViewSettings& Views() const { return views_; }
    // The undo history: its actions, its clean state and its steps.
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
    // One undo step named `text` that replaces the section table; nothing
    // is kept when the table is the same.
    bool SetSections(const QString& text, RemapSections after);
    // Called by the undo steps.
    void PutSections(const RemapSections& sections);

    // The texture image shown in the texture-map view and the preview.
    const QString& TexturePath() const { return texturePath_; }
    void SetTexturePath(const QString& path);

    // --- A whole model ---------------------------------------------------

    // New, Open, Quick Load and the conversions: `model` replaces the one
    // held, the history starts afresh and the document is clean. The first
    // listed part becomes current and the only one selected, the current
    // dummy is kept where it still exists, and every mark is cleared, so
    // that every listener finds the same place whatever its order.
    void ReplaceModel(CarModel model, const ModelSource& source);
    // The model was written to `path` as `variant` (into the archive entry
    // `archiveEntry` when not empty): "&Save" now writes there in that
    // variant, and the history's present is clean.
    void Saved(const std::string& path, FceVariant variant, const std::string& archiveEntry = {});
    // What writing the model as `variant` changes in it, done before the
    // encoder runs. When it changed the part structure (an NFSIII save cuts
    // the part slots that variant cannot name) the steps before no longer
    // fit, and the history is reset; the clean state is kept only when the
    // history was clean.
    void PrepareForSave(FceVariant variant);

    // --- Edits: each one undo step ----------------------------------------

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

    // --- The user's place in the model: no undo steps ----------------------
    // Each ends a merge, so that a nudge after a new choice is a step of
    // its own.

    // The part list: `current` becomes the current part and `shown` the
    // parts selected; every vertex and triangle mark is cleared.
    void SelectParts(int current, std::vector<bool> shown);
    // The parts selected in the list, when the list changed under them
    // (parts added or removed); marks and the current part stay.
    void SetShownParts(std::vector<bool> shown);
    void SetCurrentDummy(int dummy);
    // Vertex marks: one vertex of a part (false when `row` is not one),
    // a list of vertices, all cleared, all inverted.
    bool SetVertexMark(int part, int row, bool selected);
    void SetVertexMarks(const std::vector<int>& vertices, bool selected);
    void ClearVertexMarks();
    void InvertVertexMarks();
    // Texture-point marks near (u, v) in the current part; how many changed.
    int PickTexturePoints(float u, float v, bool deselect);
    // The triangle the triangle list chose is highlighted, alone.
    void HighlightTriangle(int triangle);
    // The vertex set the working tables hold (V1, V2, D).
    bool SwitchVertexSet(VertexSet set);

    // --- The views' settings ----------------------------------------------

    void SetDisplayOptions(const views::DisplayOptions& options);
    // Zoom, pan and the perspective scale, chosen by the user: the views
    // fit themselves again.
    void SetViewState(const views::ViewState& state);
    // The views' own fit of the model into their size.
    void SetViewFit(const views::ViewState& state);
    void SetAllViews(bool all);
    // The remap section the Triangle Editor's rubber band assigns, -1 for
    // none (the section list is not showing).
    void SetBandSection(int section);
    void SetRecentFiles(const RecentSlots& recent);

    // --- For the undo steps ----------------------------------------------

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
    // The current part or the parts selected.
    void selectionChanged();
    void currentDummyChanged(int dummy);
    // Marks set by whoever drew them already: the views need not draw again.
    void marksChanged();
    // One vertex's mark changed from outside the views.
    void vertexMarkChanged(int vertex);
    // The highlight moved to `triangle` from the triangles in `before`.
    void triangleHighlighted(int triangle, const std::vector<int>& before);
    void vertexSetChanged();
    // `refit`: the options changed how the model fits the views.
    void displayOptionsChanged(bool refit);
    void viewStateChanged();
    void viewsFitted();
    void allViewsChanged();
    void bandSectionChanged(int section);
    void recentFilesChanged();
    void textureChanged();
    void sectionsChanged();
    // Old steps left the history to keep it within its budget
    // (kOldStepsDroppedText says so).
    void oldStepsDropped();

private:
    void Push(QUndoCommand* step);
    void KeepHistoryWithinBudget();
    void DropOldestSteps(int drop);
    void ResetHistory(bool keepClean);

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
