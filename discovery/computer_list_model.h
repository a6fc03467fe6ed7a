#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

// Item data of the rows, as the list has always told its rows apart; remembered computers not
// being heard are listed after the header "Sleeping Computers".
constexpr int kComputerRowData = 1;
constexpr int kSleepingRowData = 2;
constexpr int kSleepingHeaderData = 9998;
constexpr int kHelpRowData = 9999;

inline const QString kSleepingHeaderText = QStringLiteral("Sleeping Computers");

// The rows of the "Visible Computers" list. Each row carries its item data and an explicit link
// to its entry in g_app.m_computers, so a row opens the computer whose name it shows even when
// rows and entries are no longer in step.
class CComputerListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // DetailRole: the text a row shows beside the name, such as the address of a computer added
    // by address; empty for most rows.
    enum Roles { ItemDataRole = Qt::UserRole + 1, EntryRole, DetailRole };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The sleeping header can be neither selected nor tapped.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Appends a row at the end; entry is the index into m_computers, -1 for the help row.
    void AppendRow(const QString& text, int itemData, int entry);
    void InsertRow(int at, const QString& text, int itemData, int entry,
                   const QString& detail = {});
    void RemoveRow(int row);
    void Clear();
    void SetDetail(int row, const QString& detail);

    // The first row whose text equals text, or -1.
    int FindRow(const QString& text) const;
    // The row linked to entry, or -1.
    int FindEntryRow(int entry) const;
    // The sleeping header's row, or -1; the end of the visible computers (the header's row, or
    // the row count when there is none).
    int SleepingHeaderRow() const;
    int VisibleEnd() const;
    int ItemData(int row) const { return m_rows[size_t(row)].itemData; }
    int Entry(int row) const { return m_rows[size_t(row)].entry; }
    QString Text(int row) const { return m_rows[size_t(row)].text; }
    QString Detail(int row) const { return m_rows[size_t(row)].detail; }

private:
    struct Row {
        QString text;
        int itemData;
        int entry;
        QString detail;
    };
    std::vector<Row> m_rows;
};
