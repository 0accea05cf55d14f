#include "ColourDialogs.h"

#include "frmCols.h"
#include "frmColsNFS4.h"

#include <memory>

namespace mobrix::app {

ColourDialogEdit ShowColourDialog(CarModel& model, DialogService& dialogs, QWidget* parent)
{
    ColourDialogEdit edit{ColourTablesOf(model.Header), {}};
    std::unique_ptr<QDialog> dialog;
    if (model.FileFormat == ModelOrigin::Nfs4)
        dialog = std::make_unique<frmColsNFS4>(model, dialogs, parent);
    else
        dialog = std::make_unique<frmCols>(model, dialogs, parent);
    dialog->exec();
    edit.after = ColourTablesOf(model.Header);
    return edit;
}

} // namespace mobrix::app
