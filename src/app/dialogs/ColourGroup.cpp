#include "dialogs/ColourGroup.h"

#include "dialogs/DialogService.h"

#include <QBoxLayout>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>

namespace mobrix::app {

namespace {

struct FieldNames {
    ColourField field;
    const char* slider;
    const char* label;
    const char* caption;
};

constexpr std::array<FieldNames, 4> kFields{{
    {ColourField::Hue, "sHue", "lblHue", "Hue:"},
    {ColourField::Saturation, "sSat", "lblSat", "Saturation:"},
    {ColourField::Brightness, "sBri", "lblBri", "Brightness:"},
    {ColourField::Tolerance, "sTol", "lblTol", "Tolerance:"},
}};

constexpr int kSliderWidth = 160;
constexpr int kValueWidth = 30;
constexpr QSize kSwatchSize{96, 40};
constexpr int kPaletteHeight = 16;

std::size_t Slot(ColourField field)
{
    return static_cast<std::size_t>(field);
}

} // namespace

QColor ToQColor(Rgb colour)
{
    return QColor(colour.R, colour.G, colour.B);
}

ColourGroup::ColourGroup(int index, const QString& heading, const QString& toleranceCaption, QWidget* parent)
    : QWidget(parent)
{
    const QString suffix = QString::number(index);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    if (!heading.isEmpty())
        grid->addWidget(new QLabel(heading, this), row++, 0, 1, 3);
    for (const FieldNames& names : kFields) {
        const QString caption = names.field == ColourField::Tolerance ? toleranceCaption : QString(names.caption);
        auto* slider = new QScrollBar(Qt::Horizontal, this);
        slider->setObjectName(names.slider + suffix);
        slider->setRange(0, 255);
        slider->setPageStep(16);
        slider->setMinimumWidth(kSliderWidth);
        auto* label = new QLabel("0", this);
        label->setObjectName(names.label + suffix);
        label->setMinimumWidth(kValueWidth);
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(label, row, 2);
        ++row;
        sliders_[Slot(names.field)] = slider;
        labels_[Slot(names.field)] = label;
        const ColourField field = names.field;
        connect(slider, &QScrollBar::valueChanged, this, [this, field](int value) { SliderMoved(field, value); });
    }
    swatch_ = new QFrame(this);
    swatch_->setObjectName("pCol" + suffix);
    swatch_->setFrameShape(QFrame::Box);
    swatch_->setFixedSize(kSwatchSize);
    swatch_->setAutoFillBackground(true);
    grid->addWidget(swatch_, row, 1, Qt::AlignLeft);
    UpdateSwatch();
}

void ColourGroup::ShowColour(const Colour& colour)
{
    const std::array<int, 4> values{colour.Hue, colour.Saturation, colour.Brightness, colour.Tolerance};
    for (const FieldNames& names : kFields)
        SetNumber(names.field, values[Slot(names.field)]);
    // Out of range values (an NFSIII file may hold any number) stay in the
    // labels and the model; the slider only shows the nearest end.
    for (std::size_t i = 0; i < sliders_.size(); ++i) {
        const QSignalBlocker quiet(sliders_[i]);
        sliders_[i]->setValue(numbers_[i]);
    }
    UpdateSwatch();
}

QColor ColourGroup::SwatchColour() const
{
    return swatch_->palette().color(QPalette::Window);
}

void ColourGroup::SliderMoved(ColourField field, int value)
{
    SetNumber(field, value);
    UpdateSwatch();
    emit FieldMoved(field, value);
}

void ColourGroup::SetNumber(ColourField field, int value)
{
    numbers_[Slot(field)] = value;
    labels_[Slot(field)]->setText(QString::number(value));
}

void ColourGroup::UpdateSwatch()
{
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, ToQColor(getCol(numbers_[0], numbers_[1], numbers_[2], numbers_[3])));
    swatch_->setPalette(palette);
}

void FillEntryList(QListWidget* list, std::int32_t count)
{
    const QSignalBlocker quiet(list);
    list->clear();
    for (int entry = 1; entry <= ListedColourCount(count); ++entry)
        list->addItem(QString::number(entry));
    list->setCurrentRow(-1);
}

void ShowColourRefusal(DialogService& dialogs, ColourEdit result, ColourTable list)
{
    const char* text = ColourEditRefusalText(result, list);
    if (!text)
        return;
    if (result == ColourEdit::ListFull)
        dialogs.Error(kErrorTitle, text);
    else
        dialogs.Warning(kErrorTitle, text);
}

void AddPaletteWarningAndOk(QDialog* dialog, QBoxLayout* column)
{
    QImage strip(kPaletteColumns, 1, QImage::Format_RGB32);
    for (int x = 0; x < kPaletteColumns; ++x)
        strip.setPixelColor(x, 0, ToQColor(HuePalette()[static_cast<std::size_t>(x)]));
    auto* palette = new QLabel(dialog);
    palette->setObjectName("cPal");
    palette->setPixmap(QPixmap::fromImage(strip.scaled(kPaletteColumns, kPaletteHeight)));
    palette->setFrameShape(QFrame::Box);
    palette->setFixedSize(palette->sizeHint());
    column->addWidget(palette, 0, Qt::AlignHCenter);

    auto* warning = new QLabel(kColoursWarning, dialog);
    warning->setWordWrap(true);
    column->addWidget(warning);

    auto* ok = new QPushButton("OK", dialog);
    ok->setObjectName("OK");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace mobrix::app
