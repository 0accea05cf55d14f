#pragma once
// The damage commands ("&Tools": "Create Damage", "Reset Damage") and the
// colour dialog ("&Edit": "C&olours"). The work is done in the core
// (Damage.h, Colours.h) and the dialogs; these handlers run it through the
// document so that each command is one undo step, and show refusals.

#include "Damage.h"
#include "dialogs/DialogService.h"
#include "document/Document.h"

#include <QObject>

class QMenu;
class QWidget;

namespace mobrix::app {

class DamageColourCommands : public QObject {
    Q_OBJECT
public:
    // `window` parents the colour dialogs.
    DamageColourCommands(Document& doc, DialogService& dialogs, QWidget* window);

    void BuildToolItems(QMenu* tools);
    void BuildEditItems(QMenu* edit);

    void mnuDamage_Click();
    void mnuRDamage_Click();
    void mnuCols_Click();

private:
    template <class Command>
    void ChangeDamage(const QString& text, Command&& command);

    Document& doc_;
    DialogService& dialogs_;
    QWidget* window_;
    // The program's one generator for damage, seeded once when the window is
    // built, so that repeated commands continue one sequence.
    DamageRandom random_ = DamageRandom::FromClock();
};

} // namespace mobrix::app
