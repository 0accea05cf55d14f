// The document's history within its byte budget: old steps give way, the
// steps kept still undo and redo to the models they were made on, the clean
// state stays where it was, and a step larger than the budget stays alone.

#include "MeshEdit.h"
#include "RandomModel.h"
#include "document/Document.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace mobrix;
using mobrix::app::Change;
using mobrix::app::Document;

namespace {

bool RemovePoly(Document& doc, int part, int triangles)
{
    std::vector<int> rows(static_cast<std::size_t>(triangles));
    for (int t = 0; t < triangles; ++t)
        rows[static_cast<std::size_t>(t)] = 2 * t;
    return doc.EditPart("Remove Poly", part, Change{.meshPart = part},
                        [&](CarModel& m) { return RemoveTriangles(m, part, rows) == MeshEditStatus::Done; });
}

TEST(DocumentHistory, OldStepsGiveWayToTheBudgetAndTheKeptOnesStillUndo)
{
    Document doc;
    doc.ReplaceModel(testing_support::RandomModel(3, {.vertices = 2000, .triangles = 8000, .parts = 4}), {});
    constexpr std::size_t kBudget = 250'000;
    doc.SetHistoryBudget(kBudget);
    QSignalSpy dropped(&doc, &Document::oldStepsDropped);

    constexpr int kEdits = 40;
    constexpr int kSavedAt = 36;
    std::vector<CarModel> states{doc.Model()};
    for (int k = 0; k < kEdits; ++k) {
        ASSERT_TRUE(RemovePoly(doc, k % 4, 40));
        states.push_back(doc.Model());
        EXPECT_LE(doc.HistoryBytes(), kBudget) << "after edit " << k;
        if (k + 1 == kSavedAt)
            doc.Saved(doc.Model().FileName, FceVariant::Nfs4);
    }
    const int kept = doc.History().count();
    EXPECT_GT(dropped.count(), 0);
    ASSERT_GT(kept, kEdits - kSavedAt);
    ASSERT_LT(kept, kEdits);

    for (int k = 0; k < kept; ++k) {
        doc.History().undo();
        EXPECT_EQ(doc.History().isClean(), k + 1 == kEdits - kSavedAt) << "after undo " << k;
    }
    EXPECT_FALSE(doc.History().canUndo());
    EXPECT_EQ(doc.Model(), states[static_cast<std::size_t>(kEdits - kept)]);
    while (doc.History().canRedo())
        doc.History().redo();
    EXPECT_EQ(doc.Model(), states.back());

    // A step larger than the whole budget is still kept, alone.
    doc.SetHistoryBudget(1000);
    EXPECT_EQ(doc.History().count(), 1);
    ASSERT_TRUE(RemovePoly(doc, 0, 40));
    EXPECT_EQ(doc.History().count(), 1);
    doc.History().undo();
    EXPECT_EQ(doc.Model(), states.back());
}

} // namespace
