#include "panels/PartsPanel.h"

#include "support/BusyPointer.h"
#include "support/Latin1.h"
#include "PartsDummies.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace mobrix::app {

PartsPanel::PartsPanel(Document& doc, DialogService& dialogs, StatusLine& status, QWidget* client)
    : QObject(client), doc_(doc), status_(status), dialogs_(dialogs), client_(client)
{
    Build(client);
    connect(&doc_, &Document::modelReplaced, this, [this] {
        FillPartList();
        FillDummyList();
    });
    connect(&doc_, &Document::partsChanged, this, [this] { RefreshPartList(); });
    connect(&doc_, &Document::dummiesChanged, this, [this] { FillDummyList(); });
    connect(&doc_, &Document::currentDummyChanged, this, &PartsPanel::ShowCurrentDummy);
}

PartsPanel::~PartsPanel()
{
    delete toolWindow_;
}

void PartsPanel::Build(QWidget* client)
{
    toolWindow_ = new QFrame(client);
    toolWindow_->setObjectName("ToolWindow");
    toolWindow_->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(toolWindow_);
    column->setContentsMargins(4, 4, 4, 4);

    using Handler = void (PartsPanel::*)();
    auto buttonRow = [this](QWidget* parent, QVBoxLayout* into, const std::array<const char*, 3>& names,
                            const std::array<Handler, 3>& handlers) {
        auto* row = new QHBoxLayout;
        const char* captions[] = {"Add", "Remove", "Rename"};
        for (std::size_t i = 0; i < 3; ++i) {
            auto* b = new QPushButton(captions[i], parent);
            b->setObjectName(names[i]);
            connect(b, &QPushButton::clicked, this, handlers[i]);
            row->addWidget(b);
        }
        into->addLayout(row);
    };

    auto* parts = new QGroupBox("Parts", toolWindow_);
    parts->setObjectName("PartsFrame");
    auto* partsColumn = new QVBoxLayout(parts);
    partList_ = new QListWidget(parts);
    partList_->setObjectName("PartList");
    partList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    partsColumn->addWidget(partList_);
    buttonRow(parts, partsColumn, {"AddPart", "RemovePart", "NamePart"},
              {&PartsPanel::AddPart_Click, &PartsPanel::RemovePart_Click, &PartsPanel::NamePart_Click});
    column->addWidget(parts, 1);
    connect(partList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fillingLists_)
            PartList_Click();
    });

    auto* dummies = new QGroupBox("Dummies", toolWindow_);
    dummies->setObjectName("DummiesFrame");
    auto* dummiesColumn = new QVBoxLayout(dummies);
    dummyList_ = new QComboBox(dummies);
    dummyList_->setObjectName("DummyList");
    dummiesColumn->addWidget(dummyList_);
    buttonRow(dummies, dummiesColumn, {"AddDummy", "RemoveDummy", "NameDummy"},
              {&PartsPanel::AddDummy_Click, &PartsPanel::RemoveDummy_Click, &PartsPanel::NameDummy_Click});
    column->addWidget(dummies);
    connect(dummyList_, &QComboBox::currentIndexChanged, this, [this](int) {
        if (!fillingLists_)
            DummyList_Click();
    });
}

// ---------------------------------------------------------------------------
// Lists

// A new model: every part listed, showing the place the document opened
// it at (the first part selected alone).
void PartsPanel::FillPartList()
{
    fillingLists_ = true;
    partList_->clear();
    for (const std::string& name : PartListNames(doc_.Model()))
        partList_->addItem(FromLatin1(name));
    ShowPartSelection();
    fillingLists_ = false;
    if (partList_->count() > 0)
        client_->setFocus();
}

void PartsPanel::ShowPartSelection()
{
    const std::vector<bool>& shown = doc_.Views().Parts.Shown;
    const int current = doc_.Model().CurrentPart;
    if (current >= 0 && current < partList_->count())
        partList_->setCurrentRow(current, QItemSelectionModel::Current);
    for (int i = 0; i < partList_->count(); ++i) {
        const auto k = static_cast<std::size_t>(i);
        partList_->item(i)->setSelected(k < shown.size() && shown[k]);
    }
}

// The parts changed under the list (added, removed, renamed, or an undo):
// the names are listed again and the selection kept where it still fits.
void PartsPanel::RefreshPartList()
{
    const CarModel& model = doc_.Model();
    const std::vector<std::string> names = PartListNames(model);
    const std::vector<bool> shown = doc_.Views().Parts.Shown;
    fillingLists_ = true;
    if (static_cast<std::size_t>(partList_->count()) != names.size()) {
        partList_->clear();
        for (const std::string& name : names)
            partList_->addItem(FromLatin1(name));
    } else {
        for (int i = 0; i < partList_->count(); ++i)
            partList_->item(i)->setText(FromLatin1(names[static_cast<std::size_t>(i)]));
    }
    const int current = model.CurrentPart;
    if (current >= 0 && current < partList_->count())
        partList_->setCurrentRow(current, QItemSelectionModel::Current);
    for (int i = 0; i < partList_->count(); ++i) {
        const bool selected = (static_cast<std::size_t>(i) < shown.size() && shown[static_cast<std::size_t>(i)]) ||
                              i == current;
        partList_->item(i)->setSelected(selected);
    }
    fillingLists_ = false;
    SyncPartSelection();
}

void PartsPanel::FillDummyList()
{
    const int current = doc_.Model().CurrentDummy;
    fillingLists_ = true;
    dummyList_->clear();
    for (const std::string& name : DummyListNames(doc_.Model()))
        dummyList_->addItem(FromLatin1(name));
    if (dummyList_->count() > 0)
        dummyList_->setCurrentIndex(current >= 0 && current < dummyList_->count() ? current : 0);
    fillingLists_ = false;
    if (dummyList_->currentIndex() >= 0)
        doc_.SetCurrentDummy(dummyList_->currentIndex());
}

void PartsPanel::SelectListedPart(int index)
{
    fillingLists_ = true;
    partList_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    fillingLists_ = false;
    TakePartListSelection();
}

std::vector<bool> PartsPanel::ListedSelection() const
{
    std::vector<bool> shown(static_cast<std::size_t>(partList_->count()), false);
    for (int i = 0; i < partList_->count(); ++i)
        shown[static_cast<std::size_t>(i)] = partList_->item(i)->isSelected();
    return shown;
}

void PartsPanel::SyncPartSelection()
{
    doc_.SetShownParts(ListedSelection());
}

// ---------------------------------------------------------------------------
// Parts

void PartsPanel::PartList_Click()
{
    TakePartListSelection();
}

// The part list's current entry becomes the current part, its selection the
// parts drawn grey; every mark is cleared.
void PartsPanel::TakePartListSelection()
{
    doc_.SelectParts(partList_->currentRow(), ListedSelection());
    client_->setFocus();
}

void PartsPanel::AddPart_Click()
{
    const CarModel& model = doc_.Model();
    switch (CanAddPartByButton(model)) {
    case AddRefusal::None: break;
    case AddRefusal::NoFreePartSlot: dialogs_.Error(kErrorTitle, kNoFreePartSlotMessage); return;
    default: dialogs_.Error(kErrorTitle, kTooManyPartsMessage); return;
    }
    const std::string answer = ToLatin1(
        dialogs_.Input({"Enter part name:", "New Part", QString("Part%1").arg(model.Header.NumParts + 1)}));
    AddPartNamed(answer);
}

void PartsPanel::AddNamedPart(const std::string& name)
{
    if (CanAddNamedPart(doc_.Model()) != AddRefusal::None) {
        dialogs_.Error(kErrorTitle, kTooManyPartsMessage);
        return;
    }
    AddPartNamed(name);
}

// Adds the part as one undo step and makes it current, or says why not.
void PartsPanel::AddPartNamed(const std::string& name)
{
    const NameCheck check = CheckTypedName(name);
    if (check == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kPartNameTooLongMessage);
        return;
    }
    if (check == NameCheck::Empty)
        return;
    int part = -1;
    doc_.EditHeader("Add Part", Change{.parts = true}, [&](CarModel& m) {
        part = AddPartSlot(m, name);
        return part >= 0;
    });
    if (part >= 0)
        SelectListedPart(part);
}

void PartsPanel::RemovePart_Click()
{
    if (doc_.Model().Header.NumParts <= 0) {
        dialogs_.Warning(kErrorTitle, kNoPartsMessage);
        return;
    }
    if (!dialogs_.AskYesNo("Remove selected part", "Are you sure?"))
        return;
    const int part = doc_.Model().CurrentPart;
    PartRemoval removal;
    {
        BusyPointer busy;
        doc_.EditPart("Remove Part", part, Change{.parts = true, .allMesh = true}, [&](CarModel& m) {
            removal = RemovePart(m, part);
            return removal.removed;
        });
    }
    if (!removal.removed) {
        dialogs_.Error(kErrorTitle, kPartOutsideModelMessage);
        return;
    }
    BusyPointer busy;
    status_.Show("Removing Vertices" + QString(removal.progressDots, '.'));
    // Selecting the first part runs the list's click as any selection does:
    // the marks of the removed part's neighbours are cleared with it.
    if (partList_->count() > 0)
        SelectListedPart(0);
}

// Renames a part or dummy through the input box. The stored name is trimmed
// of blanks before it is offered, as the rename always did.
bool PartsPanel::RenameField(const char* stepName, const std::function<Name64&(CarModel&)>& fieldOf,
                             const QString& prompt, const QString& title, const char* tooLong, const Change& change)
{
    // The name as stored, read through the same field on a copy of the header.
    CarModel names;
    names.Header = doc_.Model().Header;
    Name64 trimmed = fieldOf(names);
    const std::string offered = PrepareRename(trimmed);
    const std::string answer = ToLatin1(dialogs_.Input({prompt, title, FromLatin1(offered)}));
    if (CheckTypedName(answer) == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, tooLong);
        return false;
    }
    return doc_.EditHeader(stepName, change, [&](CarModel& m) {
        Name64& target = fieldOf(m);
        const Name64 before = target;
        PrepareRename(target);
        const bool renamed = ApplyRename(target, answer, offered);
        return renamed || target != before;
    });
}

void PartsPanel::NamePart_Click()
{
    const CarModel& model = doc_.Model();
    const int part = model.CurrentPart;
    if (part < 0 || part >= UsablePartCount(model.Header) ||
        static_cast<std::size_t>(part) >= model.Header.PartNames.size())
        return;
    RenameField(
        "Rename Part", [part](CarModel& m) -> Name64& { return m.Header.PartNames[static_cast<std::size_t>(part)]; },
        "Give the part a name:", "Name Part", kPartNameTooLongMessage, Change{.parts = true});
}

// ---------------------------------------------------------------------------
// Dummies

void PartsPanel::DummyList_Click()
{
    if (dummyList_->currentIndex() >= 0)
        doc_.SetCurrentDummy(dummyList_->currentIndex());
}

void PartsPanel::ShowCurrentDummy(int dummy)
{
    fillingLists_ = true;
    if (dummy < dummyList_->count())
        dummyList_->setCurrentIndex(dummy);
    fillingLists_ = false;
}

void PartsPanel::AddDummy_Click()
{
    const CarModel& model = doc_.Model();
    if (CanAddDummy(model) != AddRefusal::None) {
        dialogs_.Error(kErrorTitle, kTooManyDummiesMessage);
        return;
    }
    QString offered;
    const int current = model.CurrentDummy;
    if (current >= 0 && current < kDummySlots) {
        Name64 name = model.Header.DummyNames[static_cast<std::size_t>(current)];
        offered = FromLatin1(PrepareRename(name));
    }
    const std::string answer = ToLatin1(dialogs_.Input({"Enter dummy name:", "New Dummy", offered}));
    const NameCheck check = CheckTypedName(answer);
    if (check == NameCheck::TooLong) {
        dialogs_.Error(kErrorTitle, kDummyNameTooLongMessage);
        return;
    }
    if (check == NameCheck::Empty)
        return;
    doc_.EditHeader("Add Dummy", Change{.dummies = true}, [&](CarModel& m) {
        if (current >= 0 && current < kDummySlots)
            PrepareRename(m.Header.DummyNames[static_cast<std::size_t>(current)]);
        const int dummy = AddDummySlot(m, answer);
        if (dummy >= 0)
            m.CurrentDummy = static_cast<std::int16_t>(dummy);
        return dummy >= 0;
    });
}

void PartsPanel::RemoveDummy_Click()
{
    if (doc_.Model().Header.NumDummies <= 0) {
        dialogs_.Warning(kErrorTitle, kNoDummiesMessage);
        return;
    }
    if (!dialogs_.AskYesNo("Remove selected dummy", "Are you sure?"))
        return;
    doc_.EditHeader("Remove Dummy", Change{.dummies = true}, [&](CarModel& m) {
        const bool removed = RemoveDummy(m, m.CurrentDummy);
        // The list shows its first entry afterwards.
        m.CurrentDummy = 0;
        return removed;
    });
}

void PartsPanel::NameDummy_Click()
{
    const CarModel& model = doc_.Model();
    const int dummy = model.CurrentDummy;
    if (dummy < 0 || dummy >= UsableDummyCount(model.Header))
        return;
    RenameField(
        "Rename Dummy", [dummy](CarModel& m) -> Name64& { return m.Header.DummyNames[static_cast<std::size_t>(dummy)]; },
        "Type the dummy's name below:", "Name Dummy", kDummyNameTooLongMessage, Change{.dummies = true});
}

} // namespace mobrix::app
