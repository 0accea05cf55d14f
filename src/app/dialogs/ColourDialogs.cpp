#include "dialogs/ColourDialogs.h"

#include "dialogs/frmCols.h"
#include "dialogs/frmColsNFS4.h"

#include "dialogs/ModalDialog.h"

namespace mobrix::app {

std::optional<ColourDialogEdit> ShowColourDialog(CarModel& model, DialogService& dialogs, QWidget* parent)
{
    ColourDialogEdit edit{ColourTablesOf(model.Header), {}};
    auto finished = [&](QDialog&, int) { edit.after = ColourTablesOf(model.Header); };
    const bool shown = HoldsNfs4Tables(model)
                           ? RunModal<frmColsNFS4>(dialogs, parent, finished, model, dialogs, parent)
                           : RunModal<frmCols>(dialogs, parent, finished, model, dialogs, parent);
    if (!shown)
        return std::nullopt;
    return edit;
}

} // namespace mobrix::app
