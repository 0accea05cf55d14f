#include "dialogs/frmColsNFS4.h"

#include "dialogs/ColourGroup.h"
#include "dialogs/DialogService.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

constexpr int kListWidth = 48;

struct Nfs4Group {
    const char* heading;
    ColourTable table;
};

constexpr std::array<Nfs4Group, 4> kGroups{{
    {"Primary Colour:", ColourTable::Primary},
    {"Secondary Colour:", ColourTable::Secondary},
    {"Car Interior Colour:", ColourTable::Interior},
    {"Driver's Hair Colour:", ColourTable::Hair},
}};

} // namespace

frmColsNFS4::frmColsNFS4(CarModel& model, DialogService& dialogs, QWidget* parent)
    : QDialog(parent), model_(model), dialogs_(dialogs)
{
    setObjectName("frmColsNFS4");
    setWindowTitle(kColoursTitle);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    column->addLayout(row);

    auto* listColumn = new QVBoxLayout;
    list_ = new QListWidget(this);
    list_->setObjectName("ColList");
    list_->setFixedWidth(kListWidth);
    auto* add = new QPushButton("Add", this);
    add->setObjectName("AddPCol");
    add->setAutoDefault(false);
    auto* remove = new QPushButton("Remove", this);
    remove->setObjectName("RPCol");
    remove->setAutoDefault(false);
    listColumn->addWidget(list_);
    listColumn->addWidget(add);
    listColumn->addWidget(remove);
    row->addLayout(listColumn);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(16);
    row->addLayout(grid);
    for (int g = 0; g < 4; ++g) {
        auto* group = new ColourGroup(g, kGroups[static_cast<std::size_t>(g)].heading, "Tolerance:", this);
        grid->addWidget(group, g / 2, g % 2, Qt::AlignTop);
        groups_[static_cast<std::size_t>(g)] = group;
        connect(group, &ColourGroup::FieldMoved, this,
                [this, g](ColourField field, int value) { lbl_Change(g, field, value); });
    }
    connect(list_, &QListWidget::currentRowChanged, this, &frmColsNFS4::ColList_Click);
    connect(add, &QPushButton::clicked, this, &frmColsNFS4::AddPCol_Click);
    connect(remove, &QPushButton::clicked, this, &frmColsNFS4::RPCol_Click);
    AddPaletteWarningAndOk(this, column);
    Form_Load();
}

void frmColsNFS4::Form_Load()
{
    FillEntryList(list_, model_.Header.NumPriColours);
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

void frmColsNFS4::ColList_Click()
{
    const int entry = list_->currentRow();
    if (entry < 0)
        return;
    for (std::size_t g = 0; g < groups_.size(); ++g)
        groups_[g]->ShowColour(TableOf(model_.Header, kGroups[g].table)[static_cast<std::size_t>(entry)]);
}

void frmColsNFS4::lbl_Change(int group, ColourField field, int value)
{
    const int entry = list_->currentRow();
    if (entry < 0 || entry >= kColourSlots)
        return;
    auto& table = TableOf(model_.Header, kGroups[static_cast<std::size_t>(group)].table);
    FieldOf(table[static_cast<std::size_t>(entry)], field) = value;
}

void frmColsNFS4::AddPCol_Click()
{
    const ColourEdit result = AddNfs4ColourEntry(model_.Header);
    if (result != ColourEdit::Done) {
        ShowColourRefusal(dialogs_, result, ColourTable::Primary);
        return;
    }
    const QSignalBlocker quiet(list_);
    list_->addItem(QString::number(model_.Header.NumPriColours));
}

void frmColsNFS4::RPCol_Click()
{
    const ColourEdit result = RemoveNfs4ColourEntry(model_.Header, list_->currentRow());
    if (result != ColourEdit::Done) {
        ShowColourRefusal(dialogs_, result, ColourTable::Primary);
        return;
    }
    FillEntryList(list_, model_.Header.NumPriColours);
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

} // namespace mobrix::app
