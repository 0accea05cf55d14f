#include "dialogs/AboutWindows.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

constexpr int kScrollIntervalMs = 40;


} // namespace

QStringList AboutWindow::Lines()
{
    return {
        "Mobrix",
        "Version " + QCoreApplication::applicationVersion(),
        "",
        "The car model editor for NFSIII and NFSIV FCE files,",
        "with Trimlet, its companion viewer, and fcetool for batch work.",
        "",
        "Licence",
        "Free software under the GNU General Public License,",
        "version 3 or (at your option) any later version:",
        "you may use, copy, change and share it under its terms.",
        "It comes with no warranty of any kind.",
        "",
        "Credits",
        "Written by the Mobrix developers",
        "for the car modellers of NFSIII and NFSIV.",
        "Built with Qt.",
        "",
        "Thanks to every modeller who sent a car that broke it.",
    };
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName("About");
    setWindowTitle("About Mobrix");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    area_ = new QScrollArea(this);
    area_->setObjectName("Credits");
    area_->setFixedSize(360, 200);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Blank space before and after the text lets it scroll in from the
    // bottom and out at the top.
    auto* text = new QLabel(QString(12, '\n') + Lines().join('\n') + QString(12, '\n'), area_);
    text->setAlignment(Qt::AlignHCenter);
    text->setFixedWidth(340);
    area_->setWidget(text);
    column->addWidget(area_);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignHCenter);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { ScrollOn(); });
    timer_->start(kScrollIntervalMs);
}

void AboutWindow::ScrollOn()
{
    QScrollBar* bar = area_->verticalScrollBar();
    bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 1);
}

QStringList GettingStartedWindow::Lines()
{
    return {
        "Opening a model: choose File > Open (Ctrl+O) and pick an FCE file. The first entry of the file type "
        "list reads NFSIII and NFSIV files alike; the recent files are at the end of the File menu.",
        "The views: XY, ZX and ZY show the car from three sides; UV shows the texture coordinates; the fourth "
        "place shows the file information. The tool bar buttons (or the keys 0 to 4) show one view, All shows "
        "the grid.",
        "The part list on the right chooses the part you edit; it is drawn in black, other selected parts in "
        "grey.",
        "The modes in the Edit menu decide what the mouse and keys do: the Part Editor moves whole parts, the "
        "Vertex Editor selects and moves vertices, the Dummy Editor moves dummies, and the Triangle Editor picks "
        "triangles. The editing window at the bottom shows the panel of the mode.",
        "Every change can be undone with Ctrl+Z. Help > Keys lists the keys.",
    };
}

GettingStartedWindow::GettingStartedWindow(QWidget* parent)
    : LinesWindow("GettingStarted", "Getting Started", Lines(), 480, parent)
{
}

} // namespace mobrix::app
