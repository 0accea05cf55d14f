#include "dialogs/RemapEdit.h"

#include "Raster.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace mobrix::app {

namespace {

QColor ColourOf(views::Rgb rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

// A field's text for a number. A negative zero keeps its sign, so that a
// "-" typed in front of "0.0000" stays for the digits that follow.
QString FieldText(float value)
{
    const QString text = QString::number(static_cast<double>(value), 'f', 4);
    return std::signbit(value) && !text.startsWith('-') ? "-" + text : text;
}

// The leading number of a text: optional sign, digits, one decimal point
// and more digits; 0 when there is none.
double LeadingNumber(const QString& text)
{
    QString number;
    int i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        number += text[i++];
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i].isDigit()) {
            number += text[i];
        } else if (text[i] == '.' && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

QRadioButton* AddOption(QButtonGroup* group, QLayout* layout, const QString& name, const QString& caption, int id)
{
    auto* button = new QRadioButton(caption);
    button->setObjectName(name + QString::number(id));
    group->addButton(button, id);
    layout->addWidget(button);
    return button;
}

// Ticks the option `id` of an exclusive group, or none when no option has
// that value (a data file may hold any number).
void ShowOption(QButtonGroup* group, int id)
{
    const QSignalBlocker block(group);
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(true);
}

} // namespace

// --- RemapView ----------------------------------------------------------------

RemapView::RemapView(QWidget* parent) : QWidget(parent)
{
    setObjectName("RemapView");
    setMinimumSize(240, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPointF RemapView::ToPixel(QPointF texture) const
{
    const double span = 1 + 2 * kMargin;
    return {(texture.x() + kMargin) * canvas_.width() / span, (1 + kMargin - texture.y()) * canvas_.height() / span};
}

QPointF RemapView::ToTexture(QPointF pixel) const
{
    const double span = 1 + 2 * kMargin;
    const double w = std::max(1, canvas_.width());
    const double h = std::max(1, canvas_.height());
    return {pixel.x() * span / w - kMargin, 1 + kMargin - pixel.y() * span / h};
}

void RemapView::Draw(const std::vector<RemapSection>& sections, int selected)
{
    if (canvas_.size() != size())
        canvas_ = QImage(size(), QImage::Format_RGB32);
    if (canvas_.isNull())
        return;
    canvas_.fill(ColourOf(views::QBColor(7)));
    QPainter painter(&canvas_);
    auto box = [&](const RemapSection& s) {
        return QRectF(ToPixel({s.uvLeft, s.uvTop}), ToPixel({s.uvLeft - s.uvWidth, s.uvTop - s.uvHeight})).normalized();
    };
    const int used = std::min<int>(kUsedRemapSections, static_cast<int>(sections.size()));
    for (int i = 0; i < used; ++i) {
        const RemapSection& s = sections[static_cast<std::size_t>(i)];
        painter.fillRect(box(s), Qt::white);
        const QPointF corner = ToPixel({s.uvLeft - s.uvWidth, s.uvTop});
        painter.setPen(Qt::black);
        painter.drawText(QRectF(corner, QSizeF(40, 20)), Qt::AlignLeft | Qt::AlignTop, QString::number(i));
    }
    if (selected >= 0 && selected < used)
        painter.fillRect(box(sections[static_cast<std::size_t>(selected)]), ColourOf(views::QBColor(12)));
    painter.end();
    update();
}

void RemapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
}

void RemapView::resizeEvent(QResizeEvent*)
{
    emit Resized();
}

void RemapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        last_ = ToTexture(event->position());
}

void RemapView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF now = ToTexture(event->position());
    const QPointF moved = now - last_;
    last_ = now;
    emit Dragged(moved.x(), moved.y());
}

// --- RemapEdit ----------------------------------------------------------------

RemapEdit::RemapEdit(std::vector<RemapSection>& sections, QWidget* parent) : QDialog(parent), sections_(sections)
{
    setObjectName("RemapEdit");
    setWindowTitle("Remap Editor");

    groupList_ = new QListWidget;
    groupList_->setObjectName("GroupList");
    groupName_ = new QLineEdit;
    groupName_->setObjectName("GroupName");

    auto* orientationBox = new QHBoxLayout;
    orientation_ = new QButtonGroup(this);
    AddOption(orientation_, orientationBox, "Orientation", "XY", 0);
    AddOption(orientation_, orientationBox, "Orientation", "ZX", 1);
    AddOption(orientation_, orientationBox, "Orientation", "ZY", 2);

    auto* flagsBox = new QHBoxLayout;
    flags_ = new QButtonGroup(this);
    AddOption(flags_, flagsBox, "Flags", "Normal", 0);
    AddOption(flags_, flagsBox, "Flags", "Wheel", 1);
    AddOption(flags_, flagsBox, "Flags", "Symmetry", 2);
    rot90_ = new QCheckBox("Rotate");
    rot90_->setObjectName("rot90");

    auto field = [this](const char* name, const char* tip) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setToolTip(tip);
        edit->setMaximumWidth(80);
        edit->installEventFilter(this);
        return edit;
    };
    uvLeft_ = field("uvLeft", "U of the rectangle's right edge");
    uvTop_ = field("uvTop", "V of the rectangle's top edge");
    uvWidth_ = field("uvWidth", "Width in U");
    uvHeight_ = field("uvHeight", "Height in V");

    view_ = new RemapView;

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("Remap Groups:"));
    left->addWidget(groupList_);
    left->addWidget(new QLabel("Name:"));
    left->addWidget(groupName_);
    left->addWidget(new QLabel("Orientation:"));
    left->addLayout(orientationBox);
    left->addWidget(new QLabel("Flags:"));
    left->addLayout(flagsBox);
    left->addWidget(rot90_);

    auto* fields = new QHBoxLayout;
    for (QLineEdit* edit : {uvLeft_, uvTop_, uvWidth_, uvHeight_})
        fields->addWidget(edit);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel("Remap View:"));
    right->addWidget(view_, 1);
    right->addLayout(fields);

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addLayout(right, 1);

    const int used = std::min<int>(kUsedRemapSections, static_cast<int>(sections_.size()));
    for (int i = 0; i < used; ++i)
        groupList_->addItem(QString("%1 - %2").arg(i).arg(QString::fromLatin1(sections_[static_cast<std::size_t>(i)].GroupName)));

    connect(groupList_, &QListWidget::currentRowChanged, this, [this] { GroupList_Click(); });
    connect(groupName_, &QLineEdit::textChanged, this, &RemapEdit::GroupName_Change);
    connect(orientation_, &QButtonGroup::idClicked, this, &RemapEdit::Orientation_Click);
    connect(flags_, &QButtonGroup::idClicked, this, &RemapEdit::Flags_Click);
    connect(rot90_, &QCheckBox::clicked, this, &RemapEdit::rot90_Click);
    connect(uvLeft_, &QLineEdit::textEdited, this, [this] { Field_Change(uvLeft_, &RemapSection::uvLeft); });
    connect(uvTop_, &QLineEdit::textEdited, this, [this] { Field_Change(uvTop_, &RemapSection::uvTop); });
    connect(uvWidth_, &QLineEdit::textEdited, this, [this] { Field_Change(uvWidth_, &RemapSection::uvWidth); });
    connect(uvHeight_, &QLineEdit::textEdited, this, [this] { Field_Change(uvHeight_, &RemapSection::uvHeight); });
    connect(view_, &RemapView::Resized, this, [this] { drawRemaps(); });
    connect(view_, &RemapView::Dragged, this, [this](double du, double dv) {
        if (RemapSection* s = Selected()) {
            s->uvLeft = static_cast<float>(s->uvLeft + du);
            s->uvTop = static_cast<float>(s->uvTop + dv);
            drawRemaps();
        }
    });

    resize(640, 420);
    if (used > 0)
        groupList_->setCurrentRow(0);
}

int RemapEdit::SelectedSection() const
{
    return groupList_->currentRow();
}

RemapSection* RemapEdit::Selected()
{
    const int row = SelectedSection();
    if (row < 0 || row >= static_cast<int>(sections_.size()))
        return nullptr;
    return &sections_[static_cast<std::size_t>(row)];
}

float RemapEdit::FieldValue(const QString& text)
{
    return static_cast<float>(std::round(LeadingNumber(text) * 10000.0) / 10000.0);
}

bool RemapEdit::AcceptsKey(const QLineEdit& field, QChar typed)
{
    if (typed.isDigit() || typed == '\b' || typed == '.')
        return true;
    if (typed == '-') {
        const bool atStart = field.cursorPosition() == 0 || (field.hasSelectedText() && field.selectionStart() == 0);
        const bool replacesSign = field.hasSelectedText() && field.selectionStart() == 0;
        return atStart && (!field.text().startsWith('-') || replacesSign);
    }
    return false;
}

bool RemapEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* field = qobject_cast<QLineEdit*>(watched);
        const QString text = static_cast<QKeyEvent*>(event)->text();
        // Only typed characters are filtered: cursor keys, Delete, Tab and
        // shortcuts carry no printable text and pass.
        if (field && text.size() == 1 && (text[0].isPrint() || text[0] == '\b') && !AcceptsKey(*field, text[0]))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void RemapEdit::GroupList_Click()
{
    drawRemaps();
    const RemapSection* s = Selected();
    if (!s)
        return;
    {
        const QSignalBlocker block(groupName_);
        groupName_->setText(QString::fromLatin1(s->GroupName));
    }
    ShowOption(orientation_, s->Orientation);
    ShowOption(flags_, s->MapKind);
    rot90_->setChecked(s->rot90 != 0);
}

void RemapEdit::GroupName_Change(const QString& text)
{
    if (RemapSection* s = Selected())
        s->GroupName = text.toLatin1().toStdString(); // the list entry keeps its old text
}

void RemapEdit::Orientation_Click(int index)
{
    if (RemapSection* s = Selected())
        s->Orientation = static_cast<std::int16_t>(index);
}

void RemapEdit::Flags_Click(int index)
{
    if (RemapSection* s = Selected())
        s->MapKind = static_cast<std::int16_t>(index);
}

void RemapEdit::rot90_Click(bool ticked)
{
    if (RemapSection* s = Selected())
        s->rot90 = static_cast<std::int16_t>(ticked ? -1 : 0);
}

void RemapEdit::Field_Change(QLineEdit* field, float RemapSection::*value)
{
    RemapSection* s = Selected();
    if (!s)
        return;
    const int caret = field->cursorPosition();
    if (field->text() == "-" || field->text() == ".")
        field->setText("0");
    s->*value = FieldValue(field->text());
    drawRemaps();
    field->setCursorPosition(std::min(caret, static_cast<int>(field->text().size())));
}

void RemapEdit::drawRemaps()
{
    view_->Draw(sections_, SelectedSection());
    const RemapSection* s = Selected();
    if (!s)
        return;
    const std::pair<QLineEdit*, float> shown[] = {
        {uvLeft_, s->uvLeft}, {uvTop_, s->uvTop}, {uvWidth_, s->uvWidth}, {uvHeight_, s->uvHeight}};
    for (const auto& [field, number] : shown) {
        const QString text = FieldText(number);
        if (field->text() != text)
            field->setText(text); // textEdited is for the user's typing only
    }
}

} // namespace mobrix::app
