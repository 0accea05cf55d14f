// The document on its own, without a window: the signals each entry point
// sends, how steps merge, the clean state, and the declared history reset.

#include "document/Document.h"

#include "FceFiles.h"
#include "MeshEdit.h"
#include "PartsDummies.h"
#include "RandomModel.h"
#include "SampleCar.h"
#include "VertexEditor.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace mobrix;
using namespace mobrix::app;
using testing_support::RandomModel;

namespace {

struct Opened {
    Document doc;
    explicit Opened(CarModel model = BuildSampleCar())
    {
        doc.ReplaceModel(std::move(model), {.saveVariant = FceVariant::Nfs4, .reportPath = "car.fce"});
    }
};

Vec3 Shifted(Vec3 v, float dx)
{
    v.X += dx;
    return v;
}

TEST(Document, EachEntryPointAnnouncesWhatItChanged)
{
    Opened o;
    Document& doc = o.doc;
    EXPECT_EQ(doc.Model().CurrentPart, 0);
    ASSERT_FALSE(doc.Views().Parts.Shown.empty());
    EXPECT_TRUE(doc.Views().Parts.Shown[0]) << "a new model opens with its first part selected";

    QSignalSpy mesh(&doc, &Document::meshChanged);
    QSignalSpy parts(&doc, &Document::partsChanged);
    QSignalSpy selection(&doc, &Document::selectionChanged);
    QSignalSpy dummy(&doc, &Document::currentDummyChanged);
    QSignalSpy marks(&doc, &Document::marksChanged);
    QSignalSpy options(&doc, &Document::displayOptionsChanged);
    QSignalSpy replaced(&doc, &Document::modelReplaced);

    const int part = 1;
    EXPECT_TRUE(doc.EditPart("Add Vertice", part, Change{.meshPart = part}, [&](CarModel& m) {
        return AddVertex(m, part, 0, 0, 0) == MeshEditStatus::Done;
    }));
    ASSERT_EQ(mesh.count(), 1);
    EXPECT_EQ(mesh.at(0).at(0).toInt(), part);
    EXPECT_EQ(parts.count(), 0);

    doc.SelectParts(2, {false, true, true});
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(doc.Model().CurrentPart, 2);
    doc.SetShownParts({false, true, true});
    EXPECT_EQ(selection.count(), 1) << "an unchanged selection is not announced";

    doc.SetCurrentDummy(1);
    doc.SetCurrentDummy(1);
    EXPECT_EQ(dummy.count(), 1);

    doc.SetVertexMarks({0, 1}, true);
    doc.ClearVertexMarks();
    EXPECT_EQ(marks.count(), 2);

    views::DisplayOptions o2 = doc.Views().Options;
    o2.Normals = !o2.Normals;
    doc.SetDisplayOptions(o2);
    o2.MaintainAspect = !o2.MaintainAspect;
    doc.SetDisplayOptions(o2);
    ASSERT_EQ(options.count(), 2);
    EXPECT_FALSE(options.at(0).at(0).toBool());
    EXPECT_TRUE(options.at(1).at(0).toBool()) << "only the aspect rule refits the views";

    // A refused edit leaves no step and says nothing.
    const int steps = doc.History().count();
    EXPECT_FALSE(doc.EditHeader("Nothing", Change{.parts = true}, [](CarModel&) { return false; }));
    EXPECT_EQ(doc.History().count(), steps);
    EXPECT_EQ(parts.count(), 0);

    doc.ReplaceModel(BuildSampleCar(), {});
    EXPECT_EQ(replaced.count(), 1);
    EXPECT_EQ(doc.History().count(), 0);
    EXPECT_TRUE(doc.History().isClean());
    EXPECT_FALSE(doc.State().SaveVariant.has_value());
}

TEST(Document, NudgesMergeUntilTheMergeEndsAndTheCleanStateFollows)
{
    Opened o;
    Document& doc = o.doc;
    const CarModel opened = doc.Model();
    const std::vector<std::int32_t> moved{0, 1};
    auto nudge = [&](float dx) {
        std::vector<Vec3> to{Shifted(doc.Model().Vertices[0], dx), Shifted(doc.Model().Vertices[1], dx)};
        doc.MoveVertices("Nudge Vertices", 0, moved, std::move(to), Document::MergeKey::Nudge);
    };
    nudge(1);
    nudge(1);
    EXPECT_EQ(doc.History().count(), 1);
    EXPECT_FALSE(doc.History().isClean());
    doc.SetVertexMarks({3}, true); // a new choice ends the merge
    nudge(1);
    EXPECT_EQ(doc.History().count(), 2);

    doc.Saved("/tmp/car.fce", FceVariant::Nfs4);
    EXPECT_TRUE(doc.History().isClean());
    EXPECT_EQ(doc.Model().FileName, "/tmp/car.fce");
    doc.History().undo();
    EXPECT_FALSE(doc.History().isClean());
    doc.History().undo();
    EXPECT_EQ(doc.Model().Vertices, opened.Vertices);
    doc.History().redo();
    doc.History().redo();
    EXPECT_TRUE(doc.History().isClean());
}

// Preparing an NFSIII save of a converted model with more parts than the
// variant names cuts parts: the steps before no longer fit the tables, so
// the history is reset, and it stays modified when it was.
TEST(Document, ASaveThatCutsPartsResetsTheHistoryAndKeepsItModified)
{
    Opened o(RandomModel(7, {.vertices = 40, .triangles = 30, .parts = 20, .origin = ModelOrigin::From3ds}));
    Document& doc = o.doc;
    ASSERT_TRUE(doc.EditHeader("Move Part", Change{.parts = true},
                               [](CarModel& m) { return MovePart(m, 0, 0, 1.0f); }));
    QSignalSpy parts(&doc, &Document::partsChanged);
    doc.PrepareForSave(FceVariant::Nfs3);
    EXPECT_EQ(doc.Model().Header.NumParts, 16);
    EXPECT_EQ(parts.count(), 1);
    EXPECT_EQ(doc.History().count(), 0);
    EXPECT_FALSE(doc.History().isClean());

    // A preparation that keeps the parts keeps the history too.
    Opened nfs3(RandomModel(8, {.vertices = 40, .triangles = 30, .parts = 4, .origin = ModelOrigin::Nfs3}));
    ASSERT_TRUE(nfs3.doc.EditHeader("Move Part", Change{.parts = true},
                                    [](CarModel& m) { return MovePart(m, 0, 0, 1.0f); }));
    nfs3.doc.PrepareForSave(FceVariant::Nfs4);
    EXPECT_EQ(nfs3.doc.History().count(), 1);
    nfs3.doc.History().undo();
    EXPECT_TRUE(nfs3.doc.History().isClean());
}

} // namespace
