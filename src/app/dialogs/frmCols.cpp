#include "dialogs/frmCols.h"

#include "dialogs/ColourGroup.h"
#include "dialogs/DialogService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

constexpr int kListWidth = 48;

struct GroupTexts {
    const char* heading;
    const char* tolerance;
    const char* add;
    const char* remove;
};

constexpr std::array<GroupTexts, 2> kGroups{{
    {"Primary Colours:", "Tolerance(?)", "AddPCol", "RPCol"},
    {"Secondary Colours:", "Tolerance:", "AddSCol", "RSCol"},
}};

QPushButton* Button(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

frmCols::frmCols(CarModel& model, DialogService& dialogs, QWidget* parent)
    : QDialog(parent), model_(model), dialogs_(dialogs)
{
    setObjectName("frmCols");
    setWindowTitle(kColoursTitle);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    for (int g = 0; g < 2; ++g) {
        const GroupTexts& texts = kGroups[static_cast<std::size_t>(g)];
        auto* side = new QVBoxLayout;
        side->addWidget(new QLabel(texts.heading, this));
        auto* body = new QHBoxLayout;
        auto* listColumn = new QVBoxLayout;
        auto* list = new QListWidget(this);
        list->setObjectName(QString("ColList%1").arg(g));
        list->setFixedWidth(kListWidth);
        QPushButton* add = Button("Add", texts.add, this);
        QPushButton* remove = Button("Remove", texts.remove, this);
        listColumn->addWidget(list);
        listColumn->addWidget(add);
        listColumn->addWidget(remove);
        auto* group = new ColourGroup(g, QString(), texts.tolerance, this);
        body->addLayout(listColumn);
        body->addWidget(group, 0, Qt::AlignTop);
        side->addLayout(body);
        row->addLayout(side);
        lists_[static_cast<std::size_t>(g)] = list;
        groups_[static_cast<std::size_t>(g)] = group;
        connect(list, &QListWidget::currentRowChanged, this, [this, g](int) { ColList_Click(g); });
        connect(group, &ColourGroup::FieldMoved, this,
                [this, g](ColourField field, int value) { lbl_Change(g, field, value); });
    }
    connect(findChild<QPushButton*>("AddPCol"), &QPushButton::clicked, this, &frmCols::AddPCol_Click);
    connect(findChild<QPushButton*>("AddSCol"), &QPushButton::clicked, this, &frmCols::AddSCol_Click);
    connect(findChild<QPushButton*>("RPCol"), &QPushButton::clicked, this, &frmCols::RPCol_Click);
    connect(findChild<QPushButton*>("RSCol"), &QPushButton::clicked, this, &frmCols::RSCol_Click);
    AddPaletteWarningAndOk(this, column);
    Form_Load();
}

ColourTable frmCols::TableOfGroup(int group)
{
    return group == 0 ? ColourTable::Primary : ColourTable::Secondary;
}

std::int32_t frmCols::CountOfGroup(int group) const
{
    return group == 0 ? model_.Header.NumPriColours : model_.Header.NumSecColours;
}

void frmCols::Form_Load()
{
    for (int g = 0; g < 2; ++g) {
        QListWidget* list = lists_[static_cast<std::size_t>(g)];
        FillEntryList(list, CountOfGroup(g));
        if (list->count() > 0)
            list->setCurrentRow(0);
    }
}

void frmCols::ColList_Click(int group)
{
    const int entry = lists_[static_cast<std::size_t>(group)]->currentRow();
    if (entry < 0)
        return;
    const auto& table = TableOf(model_.Header, TableOfGroup(group));
    groups_[static_cast<std::size_t>(group)]->ShowColour(table[static_cast<std::size_t>(entry)]);
}

void frmCols::lbl_Change(int group, ColourField field, int value)
{
    const int entry = lists_[static_cast<std::size_t>(group)]->currentRow();
    if (entry < 0 || entry >= kColourSlots)
        return;
    FieldOf(TableOf(model_.Header, TableOfGroup(group))[static_cast<std::size_t>(entry)], field) = value;
}

void frmCols::AddPCol_Click()
{
    Add(0);
}

void frmCols::AddSCol_Click()
{
    Add(1);
}

void frmCols::RPCol_Click()
{
    Remove(0);
}

void frmCols::RSCol_Click()
{
    Remove(1);
}

void frmCols::Add(int group)
{
    const ColourEdit result = AddColourEntry(model_.Header, TableOfGroup(group));
    if (result != ColourEdit::Done) {
        ShowColourRefusal(dialogs_, result, TableOfGroup(group));
        return;
    }
    QListWidget* list = lists_[static_cast<std::size_t>(group)];
    const QSignalBlocker quiet(list);
    list->addItem(QString::number(CountOfGroup(group)));
}

void frmCols::Remove(int group)
{
    QListWidget* list = lists_[static_cast<std::size_t>(group)];
    const ColourEdit result = RemoveColourEntry(model_.Header, TableOfGroup(group), list->currentRow());
    if (result != ColourEdit::Done) {
        ShowColourRefusal(dialogs_, result, TableOfGroup(group));
        return;
    }
    FillEntryList(list, CountOfGroup(group));
    if (list->count() > 0)
        list->setCurrentRow(0);
}

} // namespace mobrix::app
