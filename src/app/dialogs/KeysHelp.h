#pragma once
// The "Help!" window of "&Keys (Read first!)": a short guide to getting
// started and the keys that matter first.

#include <QDialog>
#include <QStringList>

namespace mobrix::app {

// A small window of word-wrapped lines of text with an "OK" button.
class LinesWindow : public QDialog {
    Q_OBJECT
public:
    LinesWindow(const char* name, const QString& title, const QStringList& lines, int width, QWidget* parent);
};

class KeysHelp : public LinesWindow {
    Q_OBJECT
public:
    explicit KeysHelp(QWidget* parent);

    // The lines shown, top to bottom.
    static QStringList Lines();
};

} // namespace mobrix::app
