#include "discovery/computer_list_model.h"

#include <algorithm>

int CComputerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CComputerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole: return row.text;
        case ItemDataRole: return row.itemData;
        case EntryRole: return row.entry;
        case DetailRole: return row.detail;
        default: return {};
    }
}

Qt::ItemFlags CComputerListModel::flags(const QModelIndex& index) const {
    if (index.isValid() && index.row() < rowCount() &&
        m_rows[size_t(index.row())].itemData == kSleepingHeaderData)
        return Qt::NoItemFlags;
    return QAbstractListModel::flags(index);
}

void CComputerListModel::AppendRow(const QString& text, int itemData, int entry) {
    InsertRow(rowCount(), text, itemData, entry);
}

void CComputerListModel::InsertRow(int at, const QString& text, int itemData, int entry,
                                   const QString& detail) {
    at = std::clamp(at, 0, rowCount());
    beginInsertRows({}, at, at);
    m_rows.insert(m_rows.begin() + at, {text, itemData, entry, detail});
    endInsertRows();
}

void CComputerListModel::SetDetail(int row, const QString& detail) {
    if (row < 0 || row >= rowCount()) return;
    m_rows[size_t(row)].detail = detail;
    emit dataChanged(index(row), index(row), {DetailRole});
}

void CComputerListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CComputerListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int CComputerListModel::FindRow(const QString& text) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].text == text) return int(i);
    return -1;
}

int CComputerListModel::SleepingHeaderRow() const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].itemData == kSleepingHeaderData) return int(i);
    return -1;
}

int CComputerListModel::VisibleEnd() const {
    const int header = SleepingHeaderRow();
    return header < 0 ? rowCount() : header;
}

int CComputerListModel::FindEntryRow(int entry) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].entry == entry) return int(i);
    return -1;
}
