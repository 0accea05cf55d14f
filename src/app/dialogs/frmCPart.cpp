#include "dialogs/frmCPart.h"

#include "support/Latin1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

QLabel* NamedLabel(const char* name, const char* text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

QListWidget* PartList(const char* name, const std::vector<std::string>& partNames, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    for (const std::string& partName : partNames)
        list->addItem(FromLatin1(partName));
    return list;
}

int Chosen(const QListWidget* list)
{
    return list->selectedItems().isEmpty() ? -1 : list->currentRow();
}

} // namespace

frmCPart::frmCPart(const std::vector<std::string>& partNames, CopyHandler copy, QWidget* parent)
    : QDialog(parent), copy_(std::move(copy))
{
    setObjectName("frmCPart");
    setWindowTitle("Copy Part");
    CopyFrom = PartList("CopyFrom", partNames, this);
    CopyTo = PartList("CopyTo", partNames, this);
    Command2 = new QPushButton("OK", this);
    Command2->setObjectName("Command2");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Command1");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NamedLabel("Label1", "Copies vertices and triangles from one part to another.", this));
    layout->addWidget(NamedLabel(
        "Label2", "This will ONLY work if there are the same number of vertices and triangles in both parts.", this));
    auto* lists = new QHBoxLayout;
    auto* from = new QVBoxLayout;
    from->addWidget(NamedLabel("Label3", "Copy this part:", this));
    from->addWidget(CopyFrom);
    auto* to = new QVBoxLayout;
    to->addWidget(NamedLabel("Label4", "Over this part:", this));
    to->addWidget(CopyTo);
    lists->addLayout(from);
    lists->addLayout(to);
    layout->addLayout(lists);
    layout->addWidget(NamedLabel("Label5", "All data in the part copied over will be lost.", this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(CopyFrom, &QListWidget::itemSelectionChanged, this, &frmCPart::UpdateOk);
    connect(CopyTo, &QListWidget::itemSelectionChanged, this, &frmCPart::UpdateOk);
    connect(Command2, &QPushButton::clicked, this, &frmCPart::OK_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateOk();
}

int frmCPart::From() const
{
    return Chosen(CopyFrom);
}

int frmCPart::To() const
{
    return Chosen(CopyTo);
}

void frmCPart::UpdateOk()
{
    Command2->setEnabled(From() >= 0 && To() >= 0);
}

void frmCPart::OK_Click()
{
    if (From() < 0 || To() < 0)
        return;
    if (!copy_ || copy_(From(), To()))
        accept();
}

} // namespace mobrix::app
