#include "commands/DamageColourCommands.h"

#include "dialogs/ColourDialogs.h"
#include "support/MenuAction.h"

#include <QMenu>
#include <QWidget>

namespace mobrix::app {

DamageColourCommands::DamageColourCommands(Document& doc, DialogService& dialogs, QWidget* window)
    : QObject(window), doc_(doc), dialogs_(dialogs), window_(window)
{
}

void DamageColourCommands::BuildToolItems(QMenu* tools)
{
    AddMenuAction(tools, "mnuDamage", "Create Damage", this, [this] { mnuDamage_Click(); });
    AddMenuAction(tools, "mnuRDamage", "Reset Damage", this, [this] { mnuRDamage_Click(); });
}

void DamageColourCommands::BuildEditItems(QMenu* edit)
{
    AddMenuAction(edit, "mnuCols", "C&olours", this, [this] { mnuCols_Click(); });
}

// One undo step over the current part's vertex tables; a refusal changes
// nothing and leaves no step.
template <class Command>
void DamageColourCommands::ChangeDamage(const QString& text, Command&& command)
{
    const int part = doc_.Model().CurrentPart;
    DamageStatus status = DamageStatus::Done;
    doc_.Edit(text, EditExtent::Vertices, PartWindow(doc_.Model(), part), Change{.meshPart = part},
              [&](CarModel& model) {
                  status = command(model, part);
                  return status == DamageStatus::Done;
              });
    if (status == DamageStatus::NoNfs4Sets)
        dialogs_.Plain(kProgramTitle, DamageRefusalText(status));
    else if (status == DamageStatus::PartNotEditable)
        dialogs_.Error(kErrorTitle, DamageRefusalText(status));
}

void DamageColourCommands::mnuDamage_Click()
{
    ChangeDamage("Create Damage", [this](CarModel& model, int part) { return CreateDamage(model, part, random_); });
}

void DamageColourCommands::mnuRDamage_Click()
{
    ChangeDamage("Reset Damage", [](CarModel& model, int part) { return ResetDamage(model, part); });
}

// The dialog writes the colour tables while the user works, into a copy of
// the header; the document then applies the result, so that the whole
// opening is one step.
void DamageColourCommands::mnuCols_Click()
{
    CarModel working;
    working.Header = doc_.Model().Header;
    working.FileFormat = doc_.Model().FileFormat;
    const std::optional<ColourDialogEdit> edit = ShowColourDialog(working, dialogs_, window_);
    if (!edit || !edit->Changed())
        return;
    doc_.EditHeader(kEditColoursStep, Change{.colours = true}, [&](CarModel& model) {
        SetColourTables(model.Header, edit->after);
        return true;
    });
}

} // namespace mobrix::app
