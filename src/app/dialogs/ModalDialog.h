#pragma once
// Modal dialogs that survive their window going away.
//
// A modal dialog runs its own event loop, and the window that owns it can be
// destroyed from inside that loop (the program ending while the dialog is
// open). The dialog, as the window's child, then goes with it, and so may the
// object that opened it. The dialog is therefore made on the heap, where its
// parent may delete it, and what the caller does with the answer runs only
// when both the dialog and the caller outlived the loop. The loop itself is
// the dialog service's, so that tests can work the dialog instead.

#include "dialogs/DialogService.h"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <utility>

namespace mobrix::app {

// Makes a `Dialog` from `args`, runs it modally through `dialogs` and hands
// the finished dialog and its result to `done`. Returns false, without calling `done`,
// when the dialog or `opener` (if any) was destroyed while it ran.
template <class Dialog, class Done, class... Args>
bool RunModal(DialogService& dialogs, QObject* opener, Done&& done, Args&&... args)
{
    auto dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
    const QPointer<Dialog> dialogAlive(dialog.get());
    const QPointer<QObject> openerAlive(opener);
    const bool watchOpener = opener != nullptr;
    const int result = dialogs.RunWindow(*dialog);
    if (!dialogAlive) {
        (void)dialog.release(); // its parent has already deleted it
        return false;
    }
    if (watchOpener && !openerAlive)
        return false;
    done(*dialog, result);
    return true;
}

} // namespace mobrix::app
