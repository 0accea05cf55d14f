#pragma once
// The tool window along the right edge: the part list and the dummy list
// with their Add, Remove and Rename buttons. Clicking a part makes it the
// current part; the buttons edit the model through the document, one undo
// step each. The lists follow what the document announces.

#include "dialogs/DialogService.h"
#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include <QObject>

#include <functional>
#include <string>

class QComboBox;
class QFrame;
class QListWidget;
class QWidget;

namespace mobrix::app {

class PartsPanel : public QObject {
    Q_OBJECT
public:
    PartsPanel(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* client);
    // The tool window's widgets call back into the panel, so they go with it.
    ~PartsPanel() override;

    QFrame* ToolWindow() const { return toolWindow_; }

    // Adds a part named `name` and makes it current, or says why not.
    void AddNamedPart(const std::string& name);
    // Makes the listed part the only selected and the current one.
    void SelectListedPart(int index);

    // Handlers.
    void PartList_Click();
    void AddPart_Click();
    void RemovePart_Click();
    void NamePart_Click();
    void DummyList_Click();
    void AddDummy_Click();
    void RemoveDummy_Click();
    void NameDummy_Click();
    // The mouse made a dummy current: the list shows it.
    void ShowCurrentDummy(int dummy);


private:
    void Build(QWidget* client);
    void FillPartList();
    void RefreshPartList();
    void FillDummyList();
    void TakePartListSelection();
    void AddPartNamed(const std::string& name);
    void SyncPartSelection();
    void ShowPartSelection();
    std::vector<bool> ListedSelection() const;
    bool RenameField(const char* stepName, const std::function<Name64&(CarModel&)>& fieldOf, const QString& prompt,
                     const QString& title, const char* tooLong, const Change& change);

    Document& doc_;
    StatusLine& status_;
    DialogService& dialogs_;
    QWidget* client_;
    bool fillingLists_ = false;
    QFrame* toolWindow_ = nullptr;
    QListWidget* partList_ = nullptr;
    QComboBox* dummyList_ = nullptr;
};

} // namespace mobrix::app
