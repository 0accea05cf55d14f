#include "dialogs/FileInf.h"

#include "FileInfoReport.h"
#include "support/Latin1.h"

#include <QAbstractListModel>
#include <QGridLayout>
#include <QLabel>
#include <QListView>

namespace mobrix::app {

namespace {

// A big model has hundreds of thousands of entries in these blocks; the
// lines are turned into text only as the list shows them.
class BlockLinesModel : public QAbstractListModel {
public:
    BlockLinesModel(std::vector<std::string> lines, QObject* parent)
        : QAbstractListModel(parent), lines_(std::move(lines))
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(lines_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
            return {};
        return DisplayText(lines_[static_cast<std::size_t>(index.row())]);
    }

private:
    std::vector<std::string> lines_;
};

} // namespace

FileInf::FileInf(const CarModel& model, QWidget* parent) : QDialog(parent)
{
    setObjectName("FileInf");
    setWindowTitle("File Information");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 420);

    ReservedBlockLines lines = FileInfoWindowLines(model);
    std::array<std::vector<std::string>*, 6> content{&lines.List1, &lines.List2, &lines.List3,
                                                     &lines.List4, &lines.List5, &lines.List6};
    const char* headings[] = {"Reserved 1", "Reserved 2", "Reserved 3", "Vertex reserved A", "Vertex reserved B",
                              "Triangle reserved"};
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 6; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        auto* list = new QListView(this);
        list->setObjectName(QString("List%1").arg(i + 1));
        list->setUniformItemSizes(true);
        list->setFont(mono);
        list->setModel(new BlockLinesModel(std::move(*content[slot]), list));
        grid->addWidget(new QLabel(headings[i], this), 0, i);
        grid->addWidget(list, 1, i);
        grid->setColumnStretch(i, i == 0 ? 3 : 1);
        lists_[slot] = list;
    }
}

} // namespace mobrix::app
