#pragma once
// One side of the character tables as list items, for the window's two hidden table lists. The
// items are read from the tables when asked for, so the lists cost nothing at start.
#include <QAbstractListModel>

namespace quillo {

class CharTableModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Side { Simplified, Traditional };

    CharTableModel(Side side, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    Side m_side;
};

} // namespace quillo
