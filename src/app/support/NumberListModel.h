#pragma once
// The vertex and triangle lists show the numbers 1 to a part's count. A
// part may hold tens of thousands of vertices, so the numbers are made as
// the list shows them instead of being stored as items.

#include <QAbstractListModel>

namespace mobrix::app {

class NumberListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // The same count keeps the list's current entry and selection.
    void SetCount(int count)
    {
        count = count < 0 ? 0 : count;
        if (count == count_)
            return;
        beginResetModel();
        count_ = count;
        endResetModel();
    }
    int Count() const { return count_; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count_; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_)
            return {};
        return QString::number(index.row() + 1);
    }

private:
    int count_ = 0;
};

} // namespace mobrix::app
