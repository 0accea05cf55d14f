#pragma once
// The triangle editor's "UV Remapper" page: REMAP, loading and saving the
// remap data file beside the model, the section editor, the seven section
// visibility boxes, the section list and its lock. REMAP, a load, an editor
// session and a section assignment are one undo step each.

#include "dialogs/DialogService.h"
#include "document/Document.h"

#include <QObject>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

namespace mobrix::app {


class RemapPanel : public QObject {
    Q_OBJECT
public:
    // Fills `page` (its layout is an empty row) with the controls.
    RemapPanel(Document& doc, DialogService& dialogs, QGroupBox* page);

    // Handlers.
    void Remap_Click();
    void LoadSections_Click();
    void SaveSections_Click();
    void EditSections_Click();
    void remapVis_Click(int index);
    void UVList_Click();

    // The triangle list chose `triangle` (an index into Triangles): with
    // the lock ticked it joins the section chosen in the list; otherwise
    // the list shows its section.
    void TriangleChosen(int triangle);

    // The section the triangle rubber band assigns: the list's entry while
    // the page shows, else -1 (no band). The document holds it for the views.
    int BandSection() const;

    // The triangle the triangle list has chosen (index into Triangles, -1
    // for none), and giving the keyboard back to that list.
    std::function<int()> chosenTriangle;
    std::function<void()> returnFocus;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build(QGroupBox* page);
    void AssignSection(int triangle, int section);
    void ShowSectionOf(int triangle);
    // The remap data file of the model; for a model without a file name
    // the user names one (empty: cancelled).
    std::string DataFilePath(FileDialogMode mode);

    Document& doc_;
    DialogService& dialogs_;
    QGroupBox* page_ = nullptr;
    QListWidget* UVList_ = nullptr;
    QCheckBox* UVLock_ = nullptr;
    std::array<QCheckBox*, 7> remapVis_{};
    bool settingList_ = false;
};

} // namespace mobrix::app
