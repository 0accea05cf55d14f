#pragma once
// The dialog service with the toolkit's own message boxes, input boxes and
// file dialogs, and the program's windows in their own modal loops.

#include "dialogs/DialogService.h"

class QWidget;

namespace mobrix::app {

class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer Message(const MessageRequest& request) override;
    QuestionAnswer Ask(const MessageRequest& request, const CheckBoxRequest& checkBox) override;
    QString Input(const InputRequest& request) override;
    int PickFromList(const ChoiceRequest& request) override;
    int PickButton(const ChoiceRequest& request) override;
    FileDialogResult File(const FileDialogRequest& request) override;
    int RunWindow(QDialog& dialog) override;

private:
    QWidget* parent_;
};

// "NFSIII FCE File|*.FCE" as the toolkit writes a filter entry; the patterns
// match either letter case, as file names on Linux come in both.
QString ToolkitFilter(const QString& entry);

} // namespace mobrix::app
