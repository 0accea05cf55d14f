#pragma once
// Every message box, question, input box, file dialog and modal window of
// the main window goes through this one interface. The Qt implementation
// shows real dialogs; tests install a scripted one that answers and records
// each box and works each window.

#include "FileErrors.h"

#include <QString>
#include <QStringList>

class QDialog;

namespace mobrix::app {

using mobrix::MessageIcon;
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    MessageIcon icon = MessageIcon::None;
    QString title;
    QString text; // several lines are joined by carriage returns
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

// A check box under a question's text.
struct CheckBoxRequest {
    QString text;
    bool checked = false;
};

// A question's answer and the state its check box was left in.
struct QuestionAnswer {
    MessageAnswer answer = MessageAnswer::No;
    bool checked = false;
};

struct InputRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

// A list to pick one item from.
struct ChoiceRequest {
    QString prompt;
    QString title;
    QStringList items;
};

enum class FileDialogMode { Open, Save };

struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Open;
    QString initialName;  // for example "*.FCE"
    // Entries as "description|pattern", for example "NFSIII FCE File|*.FCE".
    QStringList filters;
    QString defaultExtension; // without the dot
    QString title;            // empty: the toolkit's own title
    int selectedFilter = 1;   // the entry shown first, counted from 1
};

struct FileDialogResult {
    bool cancelled = true;
    QString path;
    int filterIndex = 1; // the chosen entry, counted from 1
};

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual MessageAnswer Message(const MessageRequest& request) = 0;
    // A message box with a check box. A service that shows no check boxes
    // answers the message and leaves the box as it was.
    virtual QuestionAnswer Ask(const MessageRequest& request, const CheckBoxRequest& checkBox)
    {
        return {Message(request), checkBox.checked};
    }
    // The typed text, or an empty text when the box was cancelled.
    virtual QString Input(const InputRequest& request) = 0;
    virtual FileDialogResult File(const FileDialogRequest& request) = 0;
    // The index of the item picked, or -1 when the list was cancelled.
    virtual int PickFromList(const ChoiceRequest& request) = 0;
    // Runs one of the program's own windows (the section editor, the colour
    // dialogs, rescale, copy part) modally until it closes, and returns its
    // result code. The window, and whatever opened it, may be destroyed
    // meanwhile; RunModal (ModalDialog.h) is the way to call this safely.
    virtual int RunWindow(QDialog& dialog) = 0;
    // A question with a button for each item (the first is the default);
    // the index of the button pressed, or -1 when the box was closed.
    virtual int PickButton(const ChoiceRequest& request) = 0;

    // Shorthands for the common boxes.
    void Error(const QString& title, const QString& text)
    {
        Message({MessageIcon::Critical, title, text, MessageButtons::Ok, MessageAnswer::Ok});
    }
    void Warning(const QString& title, const QString& text)
    {
        Message({MessageIcon::Exclamation, title, text, MessageButtons::Ok, MessageAnswer::Ok});
    }
    void Plain(const QString& title, const QString& text)
    {
        Message({MessageIcon::None, title, text, MessageButtons::Ok, MessageAnswer::Ok});
    }
    bool AskYesNo(const QString& title, const QString& text, MessageIcon icon = MessageIcon::None,
                  MessageAnswer defaultButton = MessageAnswer::Yes)
    {
        return Message({icon, title, text, MessageButtons::YesNo, defaultButton}) == MessageAnswer::Yes;
    }
};

} // namespace mobrix::app
