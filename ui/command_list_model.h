#pragma once

#include <QAbstractListModel>

// The five rows of the command screen, in their order on screen: "Dormo", "Sleep", "Restart",
// "Lock", "Hibernate", with item data 0, 1, 4, 3, 2 (the item data chooses the picture and the
// command word).
class CCommandListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The item data of a row, -1 outside the list.
    int ItemData(int row) const;
};
