#include "ui/command_list_model.h"

#include "ui/row_drawing.h"

#include <array>

namespace {

struct CommandRow {
    const char* text;
    int itemData;
};
constexpr std::array<CommandRow, 5> kRows{
    {{"Dormo", 0}, {"Sleep", 1}, {"Restart", 4}, {"Lock", 3}, {"Hibernate", 2}}};

}  // namespace

int CCommandListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(kRows.size());
}

QVariant CCommandListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CommandRow& row = kRows[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromLatin1(row.text);
        case kRowItemDataRole:
            return row.itemData;
        default:
            return {};
    }
}

int CCommandListModel::ItemData(int row) const {
    return row >= 0 && row < rowCount() ? kRows[size_t(row)].itemData : -1;
}
