#include "dialogs/frmRescale.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace mobrix::app {

namespace {

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QString PercentText(int value)
{
    return QString::number(value) + " %";
}

// One bar with its caption and the label that shows its value; the label
// follows both dragging (Scroll) and every other change.
QScrollBar* AddBar(QGridLayout* grid, int row, const char* barName, const char* captionName, const char* caption,
                   const char* labelName, QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(barName);
    bar->setRange(0, 200);
    bar->setValue(100);
    bar->setMinimumWidth(200);
    QLabel* value = NamedLabel(labelName, PercentText(100), parent);
    QObject::connect(bar, &QScrollBar::valueChanged, value, [value](int v) { value->setText(PercentText(v)); });
    grid->addWidget(NamedLabel(captionName, caption, parent), row, 0);
    grid->addWidget(bar, row, 1);
    grid->addWidget(value, row, 2);
    return bar;
}

} // namespace

frmRescale::frmRescale(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmRescale");
    setWindowTitle("Rescale Model");
    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel("Label1", "This function rescales all currently selected objects.", this), 0, 0, 1, 3);
    XScale = AddBar(grid, 1, "XScale", "Label2", "X-Scale Factor:", "XLabel", this);
    YScale = AddBar(grid, 2, "YScale", "Label3", "Y-Scale Factor:", "YLabel", this);
    ZScale = AddBar(grid, 3, "ZScale", "Label5", "Z-Scale Factor:", "Zlabel", this);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Command2");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 3);
}

RescalePercent frmRescale::Percent() const
{
    return {XScale->value(), YScale->value(), ZScale->value()};
}

} // namespace mobrix::app
