#include "KeysHelp.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

QStringList KeysHelp::Lines()
{
    return {
        "What's listed here is just a very simple rough guide to getting started with Mobrix - it doesn't go "
        "into any detail about any of the more complicated functions. Read the readme.txt file for a full list "
        "of keys.",
        "- First, load an FCE file.",
        "- Select a part in the part list (top left)",
        "- In the 'Part Editor' mode, keys 1, 2 and 3 move the selected part along X, Y and Z (hold Shift to "
        "move it back).",
        "- In the 'edit vertices' mode (from the 'Edit' menu) -",
        "- You can select vertices by clicking on them.",
        "- Hold down shift and click to deselect a vertice.",
        "- Use the cursor keys to move the selected vertice.",
        "- Keys 1, 2 and 3 change between the three views.",
        "- Clicking a vertex also selects any vertices behind it in that view: change views to check what "
        "you have selected.",
        "- The 'D' key deselects ALL vertices",
        "- The 'S' key inverts current vertice selections.",
    };
}

KeysHelp::KeysHelp(QWidget* parent) : QDialog(parent)
{
    setObjectName("Help");
    setWindowTitle("Help!");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    for (const QString& line : Lines()) {
        auto* label = new QLabel(line, this);
        label->setWordWrap(true);
        column->addWidget(label);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedWidth(460);
}

} // namespace mobrix::app
