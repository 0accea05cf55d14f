#include "FileInf.h"

#include "FileInfoReport.h"
#include "Form1.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

namespace mobrix::app {

FileInf::FileInf(const CarModel& model, QWidget* parent) : QDialog(parent)
{
    setObjectName("FileInf");
    setWindowTitle("File Information");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 420);

    const ReservedBlockLines lines = FileInfoWindowLines(model);
    const std::array<const std::vector<std::string>*, 6> content{&lines.List1, &lines.List2, &lines.List3,
                                                                  &lines.List4, &lines.List5, &lines.List6};
    const char* headings[] = {"Reserved 1", "Reserved 2", "Reserved 3", "Vertex reserved A", "Vertex reserved B",
                              "Triangle reserved"};
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 6; ++i) {
        auto* list = new QListWidget(this);
        list->setObjectName(QString("List%1").arg(i + 1));
        list->setUniformItemSizes(true);
        QFont mono("Monospace");
        mono.setStyleHint(QFont::TypeWriter);
        list->setFont(mono);
        QStringList items;
        items.reserve(static_cast<qsizetype>(content[static_cast<std::size_t>(i)]->size()));
        for (const std::string& line : *content[static_cast<std::size_t>(i)])
            items << DisplayText(line);
        list->addItems(items);
        grid->addWidget(new QLabel(headings[i], this), 0, i);
        grid->addWidget(list, 1, i);
        grid->setColumnStretch(i, i == 0 ? 3 : 1);
        lists_[static_cast<std::size_t>(i)] = list;
    }
}

} // namespace mobrix::app
