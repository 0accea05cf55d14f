#pragma once
// A dialog service for the window benchmarks: every question is answered
// Yes, every list with its first item, and every input and file dialog is
// cancelled, and every window is
// rejected, so that nothing waits for a user.

#include "dialogs/DialogService.h"

#include <QDialog>

namespace bench_support {

class QuietDialogs : public mobrix::app::DialogService {
public:
    mobrix::app::MessageAnswer Message(const mobrix::app::MessageRequest&) override
    {
        return mobrix::app::MessageAnswer::Yes;
    }
    QString Input(const mobrix::app::InputRequest&) override { return {}; }
    mobrix::app::FileDialogResult File(const mobrix::app::FileDialogRequest&) override { return {}; }
    int PickFromList(const mobrix::app::ChoiceRequest&) override { return 0; }
    int RunWindow(QDialog&) override { return QDialog::Rejected; }
    int PickButton(const mobrix::app::ChoiceRequest&) override { return -1; }
};

} // namespace bench_support
