#pragma once
// The status line along the bottom of the main window, as a service the
// panels and command objects are handed, like the dialog service: none of
// them needs to know where the line is drawn, and tests read it.

#include <QLabel>
#include <QString>

namespace mobrix::app {

class StatusLine {
public:
    virtual ~StatusLine() = default;
    // Shows `text` at once, also in the middle of a long command.
    virtual void Show(const QString& text) = 0;
};

// The window's own status line: a label.
class StatusLabel final : public QLabel, public StatusLine {
public:
    using QLabel::QLabel;
    void Show(const QString& text) override
    {
        setText(text);
        repaint();
    }
};

} // namespace mobrix::app
