#pragma once
// The mesh transforms of the "&Edit" menu (swaps, mirrors, "Rotate Mesh",
// rescaling, centring, "&Copy Part") and the clean-up of the "&Tools" menu
// (winding, duplicate triangles, unnecessary vertices, fusing parts). The
// work is done by the edit library; each handler asks what it needs, runs
// it through the document as one undo step over the smallest window of the
// tables it can change, and shows the result.

#include "CleanUp.h"
#include "dialogs/DialogService.h"
#include "Transforms.h"
#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include <QObject>

#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace mobrix::app {

class TransformCommands : public QObject {
    Q_OBJECT
public:
    // `window` parents the dialogs.
    TransformCommands(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* window);

    void BuildEditItems(QMenu* edit);
    void BuildToolItems(QMenu* tools);

    void mnuSwap_Click(AxisPair pair);
    void mnuRotate_Click();
    void mnuMirror_Click(Axis axis);
    void mnuRescale_Click();
    void mnuCent_Click();
    void mnuCentAll_Click();
    void mnuCPart_Click();
    void mnuWind_Click();
    void mnuRPolys_Click();
    void mnuRVerts_Click();
    void mnuFuse_Click();


private:
    // The parts selected in the part list together with the current part,
    // in part order.
    std::vector<int> SelectedParts() const;
    void ShowCentring(const CentreResult& result);
    void CleanUpCurrentPart(const char* text, CleanUpResult (*cleanUp)(CarModel&, int));
    void ShowStatus(const std::string& text);

    Document& doc_;
    StatusLine& status_;
    DialogService& dialogs_;
    QWidget* window_;
};

} // namespace mobrix::app
