#pragma once
// The "Help!" window of "&Keys (Read first!)": a short guide to getting
// started and the keys that matter first.

#include <QDialog>
#include <QStringList>

namespace mobrix::app {

class KeysHelp : public QDialog {
    Q_OBJECT
public:
    explicit KeysHelp(QWidget* parent);

    // The lines shown, top to bottom.
    static QStringList Lines();
};

} // namespace mobrix::app
