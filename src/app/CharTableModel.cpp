#include "app/CharTableModel.h"

#include "translate/CharTables.h"

namespace quillo {

CharTableModel::CharTableModel(Side side, QObject* parent)
    : QAbstractListModel(parent)
    , m_side(side)
{
}

int CharTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : CharTableRowCount();
}

QVariant CharTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const QChar character = m_side == Simplified ? SimplifiedAt(index.row()) : TraditionalAt(index.row());
    return character.isNull() ? QVariant() : QVariant(QString(character));
}

} // namespace quillo
