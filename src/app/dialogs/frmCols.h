#pragma once
// "Car Colours" for NFSIII, new and converted models: a primary and a
// secondary colour list (group 0 and group 1), each with its sliders,
// swatch and "Add" and "Remove" buttons.
//
// The dialog writes the model's colour counts and tables (and nothing else)
// while the user works: a moved slider stores its value in the selected
// entry at once, and "OK" only closes. A slider moved while its list has no
// selected entry writes nothing.

#include "CarModel.h"
#include "Colours.h"

#include <QDialog>

#include <array>

class QListWidget;

namespace mobrix::app {

class ColourGroup;
class DialogService;

class frmCols : public QDialog {
    Q_OBJECT
public:
    frmCols(CarModel& model, DialogService& dialogs, QWidget* parent = nullptr);

private:
    void Form_Load();
    void ColList_Click(int group);
    void AddPCol_Click();
    void AddSCol_Click();
    void RPCol_Click();
    void RSCol_Click();
    void lbl_Change(int group, ColourField field, int value);

    void Add(int group);
    void Remove(int group);
    static ColourTable TableOfGroup(int group);
    std::int32_t CountOfGroup(int group) const;

    CarModel& model_;
    DialogService& dialogs_;
    std::array<QListWidget*, 2> lists_{};
    std::array<ColourGroup*, 2> groups_{};
};

} // namespace mobrix::app
