#pragma once
// "C&olours" in the "&Edit" menu: the colour dialog that fits the model.

#include "CarModel.h"
#include "Colours.h"

#include <optional>

class QWidget;

namespace mobrix::app {

class DialogService;

// The colour tables before and after one opening of a colour dialog; one
// opening is one undo step ("Edit Colours") when they differ.
struct ColourDialogEdit {
    ColourTables before;
    ColourTables after;
    bool Changed() const { return !(before == after); }
};

inline constexpr const char* kEditColoursStep = "Edit Colours";

// What "C&olours" (mnuCols_Click) opens: frmColsNFS4 for a model from an
// NFSIV file, frmCols for every other model, shown modally until "OK" (or
// the window's close button; the edits are in the model either way).
// Nothing when the window, and with it the model, went away meanwhile.
std::optional<ColourDialogEdit> ShowColourDialog(CarModel& model, DialogService& dialogs, QWidget* parent);

} // namespace mobrix::app
