#include "panels/EditorPanels.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mobrix::app {

namespace {

constexpr int kFieldWidth = 90;
constexpr int kTriFieldWidth = 76;

QLineEdit* Field(const char* name, int width, QWidget* parent)
{
    auto* f = new QLineEdit(parent);
    f->setObjectName(name);
    f->setFixedWidth(width);
    return f;
}

QPushButton* Button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// The frame's own row ends in a stretch; new controls go before it.
void AddBeforeStretch(QGroupBox* frame, QLayout* layout)
{
    auto* row = static_cast<QBoxLayout*>(frame->layout());
    row->insertLayout(row->count() - 1, layout);
}

void AddBeforeStretch(QGroupBox* frame, QWidget* widget)
{
    auto* row = static_cast<QBoxLayout*>(frame->layout());
    row->insertWidget(row->count() - 1, widget);
}

QVBoxLayout* Column()
{
    auto* c = new QVBoxLayout;
    c->setSpacing(2);
    c->setContentsMargins(0, 0, 0, 0);
    return c;
}

void CompactFrame(QGroupBox* frame)
{
    frame->layout()->setContentsMargins(4, 2, 4, 2);
    frame->layout()->setSpacing(6);
}

VertexEditorWidgets BuildVertexEditor(QGroupBox* frame)
{
    VertexEditorWidgets w;
    CompactFrame(frame);

    auto* fields = new QGridLayout;
    fields->setSpacing(2);
    const char* names[] = {"VertX", "VertY", "VertZ"};
    const char* labels[] = {"X:", "Y:", "Z:"};
    QLineEdit** targets[] = {&w.VertX, &w.VertY, &w.VertZ};
    for (int i = 0; i < 3; ++i) {
        fields->addWidget(new QLabel(labels[i], frame), i, 0);
        *targets[i] = Field(names[i], kFieldWidth, frame);
        fields->addWidget(*targets[i], i, 1);
    }
    w.VertSel = new QCheckBox("Selected", frame);
    w.VertSel->setObjectName("VertSel");
    fields->addWidget(w.VertSel, 3, 1);
    AddBeforeStretch(frame, fields);

    auto* buttons = Column();
    w.cmdApply = Button("cmdApply", "Apply", frame);
    w.Command1 = Button("Command1", "Add Vertice", frame);
    w.Command3 = Button("Command3", "Remove Vert", frame);
    w.Command9 = Button("Command9", "List Selected", frame);
    for (QPushButton* b : {w.cmdApply, w.Command1, w.Command3, w.Command9})
        buttons->addWidget(b);
    AddBeforeStretch(frame, buttons);

    w.List1 = new QListWidget(frame);
    w.List1->setObjectName("List1");
    w.List1->setFixedWidth(70);
    AddBeforeStretch(frame, w.List1);
    return w;
}

QGroupBox* SidePage(const char* name, const QString& title, QWidget* parent)
{
    auto* page = new QGroupBox(title, parent);
    page->setObjectName(name);
    page->hide();
    return page;
}

TriangleEditorWidgets BuildTriangleEditor(QGroupBox* frame, QBoxLayout* row)
{
    TriangleEditorWidgets w;
    CompactFrame(frame);

    auto* fields = new QGridLayout;
    fields->setSpacing(2);
    const char* headers[] = {"Vertex", "U", "V"};
    for (int c = 0; c < 3; ++c)
        fields->addWidget(new QLabel(headers[c], frame), 0, c + 1);
    for (int k = 0; k < 3; ++k) {
        fields->addWidget(new QLabel(QString::number(k + 1), frame), k + 1, 0);
        const auto i = static_cast<std::size_t>(k);
        w.TriI[i] = Field(QString("TriI%1").arg(k + 1).toLatin1().constData(), kTriFieldWidth, frame);
        w.TriU[i] = Field(QString("TriU%1").arg(k + 1).toLatin1().constData(), kTriFieldWidth, frame);
        w.TriV[i] = Field(QString("TriV%1").arg(k + 1).toLatin1().constData(), kTriFieldWidth, frame);
        fields->addWidget(w.TriI[i], k + 1, 1);
        fields->addWidget(w.TriU[i], k + 1, 2);
        fields->addWidget(w.TriV[i], k + 1, 3);
    }
    AddBeforeStretch(frame, fields);

    auto* buttons = Column();
    w.cmdTriApply = Button("cmdTriApply", "Apply", frame);
    w.Command2 = Button("Command2", "Add Poly", frame);
    w.Command4 = Button("Command4", "Remove Poly", frame);
    for (QPushButton* b : {w.cmdTriApply, w.Command2, w.Command4})
        buttons->addWidget(b);
    buttons->addStretch(1);
    AddBeforeStretch(frame, buttons);

    auto* sideButtons = Column();
    const char* captions[] = {"S", "UV"};
    const char* tips[] = {"Smoothing Groups", "UV Remapper"};
    for (int i = 0; i < 2; ++i) {
        auto* b = Button(QString("CmdTriSide%1").arg(i).toLatin1().constData(), captions[i], frame);
        b->setToolTip(tips[i]);
        b->setFixedWidth(28);
        sideButtons->addWidget(b);
        w.CmdTriSide[static_cast<std::size_t>(i)] = b;
    }
    sideButtons->addStretch(1);
    AddBeforeStretch(frame, sideButtons);

    QGroupBox* smoothing = SidePage("TriSide0", "Smoothing Groups", frame->parentWidget());
    auto* smoothRow = new QHBoxLayout(smoothing);
    smoothRow->setContentsMargins(4, 2, 4, 2);
    w.SmoothList = new QListWidget(smoothing);
    w.SmoothList->setObjectName("SmoothList");
    w.SmoothList->setFixedWidth(80);
    smoothRow->addWidget(w.SmoothList);
    auto* groups = new QGridLayout;
    groups->setSpacing(2);
    for (int g = 0; g < 7; ++g) {
        auto* box = new QCheckBox(QString::number(g + 1), smoothing);
        box->setObjectName("sGroup");
        box->setProperty("index", g);
        groups->addWidget(box, g % 4, g / 4);
    }
    smoothRow->addLayout(groups);
    w.TriSide[0] = smoothing;
    w.TriSide[1] = SidePage("TriSide1", "UV Remapper", frame->parentWidget());
    new QHBoxLayout(w.TriSide[1]);
    for (QGroupBox* page : w.TriSide)
        row->addWidget(page);
    return w;
}

} // namespace

EditorWidgets BuildEditorPanels(QGroupBox* vertexFrame, QGroupBox* triangleFrame, QBoxLayout* row)
{
    EditorWidgets w;
    w.vertex = BuildVertexEditor(vertexFrame);
    w.triangle = BuildTriangleEditor(triangleFrame, row);
    return w;
}

FieldKeyFilter::FieldKeyFilter(std::function<bool(char32_t)> allowed, std::function<void()> typed, QObject* parent)
    : QObject(parent), allowed_(std::move(allowed)), typed_(std::move(typed))
{
}

bool FieldKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys that type nothing (caret moves, Delete) and focus moves with Tab
    // are not typing.
    if (text.isEmpty() || text[0] == QChar('\t') || text[0] == QChar(0x7F))
        return false;
    if (typed_)
        typed_();
    // Shortcuts such as copy and paste stay usable; what they bring is
    // checked when the fields are applied.
    if (key->modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier))
        return false;
    return !allowed_(static_cast<char32_t>(text[0].unicode()));
}

} // namespace mobrix::app
