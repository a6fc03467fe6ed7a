#include "ui/command_list_model.h"

#include "connection/protocol.h"
#include "ui/row_drawing.h"

#include <array>

namespace {

// Each row shows its command word; the item data of the rows in the same order.
constexpr std::array<int, kCommandWords.size()> kItemData{0, 1, 4, 3, 2};

}  // namespace

int CCommandListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(kItemData.size());
}

QVariant CCommandListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const size_t row = size_t(index.row());
    switch (role) {
        case Qt::DisplayRole: return QString::fromLatin1(kCommandWords[row]);
        case kRowItemDataRole: return kItemData[row];
        default: return {};
    }
}

int CCommandListModel::ItemData(int row) const {
    return row >= 0 && row < rowCount() ? kItemData[size_t(row)] : -1;
}
