#include "panels/RemapPanel.h"

#include "support/Latin1.h"
#include "Remap.h"
#include "dialogs/ModalDialog.h"
#include "dialogs/RemapEdit.h"
#include "RemapFile.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

const QString kUvFilter = "UV Remap Data|*.UV";

QPushButton* Button(const char* name, const QString& caption, const QString& tip, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}

// The whole triangle table: REMAP and a load rewrite every triangle, and no
// vertex table changes.
TableWindow AllTriangles(const CarModel& model)
{
    return TableWindow{0, 0, 0, model.Triangles.size()};
}

} // namespace

RemapPanel::RemapPanel(Document& doc, DialogService& dialogs, QGroupBox* page)
    : QObject(page), doc_(doc), dialogs_(dialogs), page_(page)
{
    Build(page);
    // The page showing or hiding, by itself or with the editing window,
    // turns the band on and off.
    page_->installEventFilter(this);
    // The list follows the chosen triangle's section when it changes under
    // it (a load, an undo).
    connect(&doc_, &Document::meshChanged, this, [this] {
        if (!UVLock_->isChecked() && chosenTriangle)
            ShowSectionOf(chosenTriangle());
    });
}

void RemapPanel::Build(QGroupBox* page)
{
    auto* row = static_cast<QBoxLayout*>(page->layout());
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    auto* remap = Button("Command5", "REMAP", "Remap UV Data", page);
    auto* load = Button("Command6", "Load", "Load UV Remap Data", page);
    auto* save = Button("Command8", "Save", "Save UV Remap Data", page);
    auto* edit = Button("Command7", "Edit", "Edit UV Sections", page);
    for (QPushButton* b : {remap, load, save, edit}) {
        b->setFixedWidth(60);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    row->addLayout(buttons);
    connect(remap, &QPushButton::clicked, this, [this] { Remap_Click(); });
    connect(load, &QPushButton::clicked, this, [this] { LoadSections_Click(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveSections_Click(); });
    connect(edit, &QPushButton::clicked, this, [this] { EditSections_Click(); });

    auto* boxes = new QGridLayout;
    boxes->setSpacing(2);
    const auto& shown = doc_.Views().Options.RemapVisible;
    for (int i = 0; i < kUsedRemapSections; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* box = new QCheckBox(QString::number(i + 1), page);
        box->setObjectName(QString("remapVis%1").arg(i));
        box->setChecked(shown[k]);
        connect(box, &QCheckBox::clicked, this, [this, i] { remapVis_Click(i); });
        boxes->addWidget(box, i % 4, i / 4);
        remapVis_[k] = box;
    }
    UVLock_ = new QCheckBox("L", page);
    UVLock_->setObjectName("UVLock");
    boxes->addWidget(UVLock_, 3, 1);
    row->addLayout(boxes);

    UVList_ = new QListWidget(page);
    UVList_->setObjectName("UVList");
    UVList_->setFixedWidth(80);
    for (const char* entry : RemapSectionListEntries())
        UVList_->addItem(entry);
    UVList_->setCurrentRow(0);
    connect(UVList_, &QListWidget::currentRowChanged, this, [this] {
        doc_.SetBandSection(BandSection());
        if (!settingList_)
            UVList_Click();
    });
    row->addWidget(UVList_);
}

int RemapPanel::BandSection() const
{
    return page_->isVisible() ? UVList_->currentRow() : -1;
}

bool RemapPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == page_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        doc_.SetBandSection(BandSection());
    return QObject::eventFilter(watched, event);
}

void RemapPanel::Remap_Click()
{
    const CarModel& model = doc_.Model();
    doc_.Edit("REMAP", EditExtent::Mesh, AllTriangles(model), Change{.allMesh = true},
              [&](CarModel& m) { return Remap(m, doc_.Sections()).remapped > 0; });
}

std::string RemapPanel::DataFilePath(FileDialogMode mode)
{
    const std::string& modelFile = doc_.Model().FileName;
    if (!modelFile.empty())
        return RemapDataPath(modelFile);
    FileDialogRequest request;
    request.mode = mode;
    request.initialName = "*.UV";
    request.filters = {kUvFilter};
    request.defaultExtension = "UV";
    const FileDialogResult chosen = dialogs_.File(request);
    if (chosen.cancelled || chosen.path.isEmpty())
        return {};
    return chosen.path.toStdString();
}

// A file that does not fit the model is refused whole: neither the
// triangles' sections nor the section table change.
void RemapPanel::LoadSections_Click()
{
    const std::string path = DataFilePath(FileDialogMode::Open);
    if (path.empty())
        return;
    const CarModel& model = doc_.Model();
    auto read = ReadRemapData(path, static_cast<std::int64_t>(model.Triangles.size()));
    if (const auto* failure = std::get_if<RemapFileFailure>(&read)) {
        dialogs_.Plain(kProgramTitle, FromLatin1(RemapFileFailureMessage(*failure)));
        return;
    }
    RemapData& data = std::get<RemapData>(read);
    const QString text = "Load UV Remap Data";
    const bool withSections = data.sections && *data.sections != doc_.Sections();
    if (withSections)
        doc_.History().beginMacro(text);
    doc_.Edit(text, EditExtent::Mesh, AllTriangles(model), Change{.allMesh = true}, [&](CarModel& m) {
        m.TriState = std::move(data.triState);
        return true;
    });
    if (withSections) {
        doc_.SetSections(text, std::move(*data.sections));
        doc_.History().endMacro();
    }
}

void RemapPanel::SaveSections_Click()
{
    const std::string path = DataFilePath(FileDialogMode::Save);
    if (path.empty())
        return;
    if (const SaveStatus failure = SaveRemapData(doc_.Model(), doc_.Sections(), path))
        dialogs_.Error(kErrorTitle, FromLatin1(SaveFailureMessage(*failure)));
}

// The editor works on a copy; the whole session becomes one step.
void RemapPanel::EditSections_Click()
{
    RemapSections working = doc_.Sections();
    RunModal<RemapEdit>(
        dialogs_, this, [&](RemapEdit&, int) { doc_.SetSections("Edit UV Sections", std::move(working)); }, working,
        page_->window());
}

void RemapPanel::remapVis_Click(int index)
{
    const auto k = static_cast<std::size_t>(index);
    views::DisplayOptions options = doc_.Views().Options;
    options.RemapVisible[k] = remapVis_[k]->isChecked();
    doc_.SetDisplayOptions(options);
}

void RemapPanel::UVList_Click()
{
    if (!chosenTriangle)
        return;
    AssignSection(chosenTriangle(), UVList_->currentRow());
    if (returnFocus)
        returnFocus();
}

void RemapPanel::TriangleChosen(int triangle)
{
    if (UVLock_->isChecked())
        AssignSection(triangle, UVList_->currentRow());
    else
        ShowSectionOf(triangle);
}

void RemapPanel::AssignSection(int triangle, int section)
{
    const CarModel& model = doc_.Model();
    if (triangle < 0 || static_cast<std::size_t>(triangle) >= model.TriState.size())
        return;
    const int part = model.CurrentPart;
    const TableWindow window{0, 0, static_cast<std::size_t>(triangle), 1};
    doc_.Edit("Assign UV Section", EditExtent::Mesh, window, Change{.meshPart = part}, [&](CarModel& m) {
        const int one[] = {triangle};
        return AssignRemapSection(m, one, section) > 0;
    });
}

void RemapPanel::ShowSectionOf(int triangle)
{
    const CarModel& model = doc_.Model();
    if (triangle < 0 || static_cast<std::size_t>(triangle) >= model.TriState.size())
        return;
    const int group = model.TriState[static_cast<std::size_t>(triangle)].RemapGroup;
    if (group < 0 || group >= UVList_->count())
        return;
    settingList_ = true;
    UVList_->setCurrentRow(group);
    settingList_ = false;
}

} // namespace mobrix::app
