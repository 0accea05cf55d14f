#pragma once
// The editing window along the bottom: the vertex list with the vertex
// editor and the triangle list with the triangle editor, switched by the
// "V" and "T" buttons and by the Edit menu's modes. Its buttons edit the
// model through the document, one undo step each; the lists and fields
// follow what the document announces.

#include "dialogs/DialogService.h"
#include "panels/EditorPanels.h"
#include "MeshEdit.h"
#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QFrame;
class QGroupBox;
class QListView;
class QPushButton;
class QWidget;

namespace mobrix::app {

class NumberListModel;
class RemapPanel;

class EditorPanel : public QObject {
    Q_OBJECT
public:
    EditorPanel(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* client);
    ~EditorPanel() override;

    QFrame* ObjWindow() const { return objWindow_; }
    EditorWidgets& Widgets() { return *editors_; }
    RemapPanel& Remapper() { return *remap_; }

    // Handlers.
    void SelFrame_Click(int index);
    void VertList_Click();
    void VertSel_Click();
    void cmdApply_Click();
    void AddVertice_Click();
    void RemoveVert_Click();
    void ListSelected_Click();
    void SelectedVertList_Click();
    void TriList_Click();
    void cmdTriApply_Click();
    void AddPoly_Click();
    void RemovePoly_Click();
    void CmdTriSide_Click(int index);

    // The mouse chose an entry.
    void SetVertListRow(int row);
    void SetTriListRow(int row);


private:
    void Build(QWidget* client);
    void BuildEditors();
    void BuildRemapper();
    void ListenToDocument();
    void RefillPartCountLists(bool selectFirstVertex, bool selectFirstTriangle);
    void ShowModePanel();
    bool EditablePartOrSay(MeshEditStatus status);
    int VertListRow() const;
    int TriListRow() const;

    Document& doc_;
    StatusLine& status_;
    DialogService& dialogs_;
    QWidget* client_;
    bool fillingLists_ = false;
    bool applying_ = false; // "Apply" is moving the vertex its fields show

    QFrame* objWindow_ = nullptr;
    std::array<QPushButton*, 2> selFrame_{};
    std::array<QGroupBox*, 2> editFrame_{};
    QListView* vertList_ = nullptr;
    QListView* triList_ = nullptr;
    NumberListModel* vertListModel_ = nullptr;
    NumberListModel* triListModel_ = nullptr;
    std::unique_ptr<EditorWidgets> editors_;
    RemapPanel* remap_ = nullptr;
};

} // namespace mobrix::app
