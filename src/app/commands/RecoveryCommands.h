#pragma once
// Recovery at start: each recovery copy that an ended session left behind
// (a crash, a power cut, a kill) is offered in turn, newest first:
// "Recover" opens the copy, modified and with its original file, so that
// "&Save" puts it where it belongs; "Open original" opens that file as it
// was last saved and drops the copy; "Discard" drops the copy. Once a model
// is open the copies left wait for a later start. A copy held by a running
// Mobrix is never offered.

#include "commands/FileCommands.h"
#include "dialogs/DialogService.h"
#include "document/Autosave.h"
#include "document/Document.h"

#include <QObject>

namespace mobrix::app {

class RecoveryCommands : public QObject {
    Q_OBJECT
public:
    RecoveryCommands(Document& doc, DialogService& dialogs, Autosave& autosave, FileCommands& files, QObject* parent);

    // Whether a model was opened.
    bool OfferLeftCopies();

private:
    enum class Outcome { Opened, Dropped, Kept };
    Outcome Offer(LeftCopy& copy);
    Outcome Recover(LeftCopy& copy);
    Outcome OpenOriginal(LeftCopy& copy);

    Document& doc_;
    DialogService& dialogs_;
    Autosave& autosave_;
    FileCommands& files_;
};

} // namespace mobrix::app
