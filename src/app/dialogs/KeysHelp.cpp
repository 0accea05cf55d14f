#include "dialogs/KeysHelp.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

QStringList KeysHelp::Lines()
{
    return {
        "What's listed here is a short guide to getting started with Mobrix and the keys that matter first.",
        "- First, load an FCE file (File > Open, Ctrl+O).",
        "- Select a part in the part list (the tool window on the right); the dummy list is below it.",
        "- In the 'Part Editor' mode, keys 1, 2 and 3 move the selected part along X, Y and Z (hold Shift to "
        "move it back).",
        "- In the 'Vertex Editor' mode (from the 'Edit' menu) -",
        "- You can select vertices by clicking on them, or drag a band around them.",
        "- Hold down shift and click to deselect a vertice.",
        "- Drag a selected vertice, or use the cursor keys, to move the selection in the view under the pointer.",
        "- Keys 1, 2 and 3 change between the three views; 0 to 4 and the tool bar buttons choose what is shown.",
        "- Clicking a vertex also selects any vertices behind it in that view: change views to check what "
        "you have selected.",
        "- The 'D' key deselects ALL vertices",
        "- The 'S' key inverts current vertice selections.",
        "- Keypad + and - or the mouse wheel zoom; Page Up, Page Down, Home and End or a middle-button drag pan.",
        "- Ctrl+Z undoes the last change and Ctrl+Y does it again.",
    };
}

LinesWindow::LinesWindow(const char* name, const QString& title, const QStringList& lines, int width,
                         QWidget* parent)
    : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    for (const QString& line : lines) {
        auto* label = new QLabel(line, this);
        label->setWordWrap(true);
        column->addWidget(label);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedWidth(width);
}

KeysHelp::KeysHelp(QWidget* parent) : LinesWindow("Help", "Help!", Lines(), 460, parent)
{
}

} // namespace mobrix::app
