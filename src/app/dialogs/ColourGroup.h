#pragma once
// One group of the colour dialogs: four sliders (hue, saturation,
// brightness, tolerance) from 0 to 255, a label beside each with its value,
// and a swatch showing the group's preview colour. The group only shows
// values; the dialog decides which table entry a moved slider writes.

#include "Colours.h"

#include <QColor>
#include <QWidget>

#include <array>

class QBoxLayout;
class QDialog;
class QFrame;
class QLabel;
class QListWidget;
class QScrollBar;

namespace mobrix::app {

class DialogService;

class ColourGroup : public QWidget {
    Q_OBJECT
public:
    // `index` is the group's place in the dialog's control arrays; it ends
    // every child's object name ("sHue0", "lblTol2", "pCol1").
    ColourGroup(int index, const QString& heading, const QString& toleranceCaption, QWidget* parent);

    // Shows an entry of a table: the labels take its values as they are,
    // the sliders follow as far as their range goes, and the swatch its
    // colour. Showing writes nothing back.
    void ShowColour(const Colour& colour);

    QColor SwatchColour() const;

signals:
    // The user moved a slider; the label and the swatch already show it.
    void FieldMoved(mobrix::ColourField field, int value);

private:
    void SliderMoved(ColourField field, int value);
    void SetNumber(ColourField field, int value);
    void UpdateSwatch();

    std::array<QScrollBar*, 4> sliders_{};
    std::array<QLabel*, 4> labels_{};
    std::array<int, 4> numbers_{};
    QFrame* swatch_ = nullptr;
};

// The colour of the swatch for an RGB value.
QColor ToQColor(Rgb colour);

// The common foot of both dialogs: the hue palette, the accuracy warning
// and "OK", which closes the dialog.
void AddPaletteWarningAndOk(QDialog* dialog, QBoxLayout* column);

// An entry list: "1" to `count` (within the table's slots), nothing
// selected.
void FillEntryList(QListWidget* list, std::int32_t count);

// The box for a refused add or remove: an error box when the list is full,
// a warning box otherwise, both titled "Error!". Nothing for Done.
void ShowColourRefusal(DialogService& dialogs, ColourEdit result, ColourTable list);

inline constexpr const char* kColoursTitle = "Car Colours";
inline constexpr const char* kColoursWarning =
    "WARNING: Displayed colours may not be accurate to in-game equivalents. Use only as a rough guide to actual "
    "results.";

} // namespace mobrix::app
