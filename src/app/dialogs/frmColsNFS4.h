#pragma once
// "Car Colours" for NFSIV models: one list of entries, each entry four
// colours (primary, secondary, car interior, driver's hair) shown in four
// slider groups. The four tables share one count and the list's selection,
// so adding and removing entries works on all four together.
//
// As in frmCols, the dialog writes the model's colour counts and tables
// (and nothing else) as the sliders move, "OK" only closes, and a slider
// moved while no entry is selected writes nothing.

#include "CarModel.h"
#include "Colours.h"

#include <QDialog>

#include <array>

class QListWidget;

namespace mobrix::app {

class ColourGroup;
class DialogService;

class frmColsNFS4 : public QDialog {
    Q_OBJECT
public:
    frmColsNFS4(CarModel& model, DialogService& dialogs, QWidget* parent = nullptr);

private:
    void Form_Load();
    void ColList_Click();
    void AddPCol_Click();
    void RPCol_Click();
    void lbl_Change(int group, ColourField field, int value);

    CarModel& model_;
    DialogService& dialogs_;
    QListWidget* list_ = nullptr;
    std::array<ColourGroup*, 4> groups_{};
};

} // namespace mobrix::app
