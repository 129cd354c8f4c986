#pragma once
// The report list stand-in: a list view whose rows hold byte strings (a
// caption and sub-items in code page 932, a small picture and a state
// picture). Texts are converted to Unicode only when a row is drawn, so what
// the program puts in is what it reads back, byte for byte.

#include <QAbstractTableModel>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

namespace qx {

struct ListItem {
    std::string Caption;
    std::vector<std::string> SubItems;
    int ImageIndex = -1;
    int StateIndex = -1;

    // Column 0 is the caption, column c > 0 sub-item c - 1 (empty when missing).
    const std::string& Text(int column) const;
};

struct ListColumn {
    QString Caption;
    int Width = 50;
    int Tag = 0;
};

class ListItemsModel : public QAbstractTableModel {
public:
    explicit ListItemsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    std::vector<ListColumn>& Columns() { return m_columns; }
    void SetColumns(std::vector<ListColumn> columns);
    void SetImages(std::vector<QIcon> smallImages, std::vector<QIcon> stateImages);

    std::vector<ListItem>& Items() { return m_items; }
    const std::vector<ListItem>& Items() const { return m_items; }
    // Replaces every row in one reset, so a rebuild never shows half a list.
    void ResetItems(std::vector<ListItem> items);
    void RowChanged(int row);
    // Reorders the rows, keeping the order of rows that compare equal.
    void StableSort(const std::function<bool(const ListItem&, const ListItem&)>& less);

private:
    QIcon rowDecoration(const ListItem& item) const;

    std::vector<ListColumn> m_columns;
    std::vector<ListItem> m_items;
    std::vector<QIcon> m_smallImages;
    std::vector<QIcon> m_stateImages;
    mutable std::vector<QIcon> m_decorations; // state x small picture, drawn once
};

class TListView : public QTreeView {
    Q_OBJECT
public:
    explicit TListView(QWidget* parent = nullptr);

    ListItemsModel& Model() { return *m_model; }
    std::vector<ListItem>& Items() { return m_model->Items(); }
    std::vector<ListColumn>& Columns() { return m_model->Columns(); }
    int Count() const { return static_cast<int>(m_model->Items().size()); }

    // Index of the selected row, or -1.
    int Selected() const;
    void SetSelected(int row);
    ListItem* SelectedItem();

    // The menu a right-click opens; none when null.
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    QMenu* PopupMenu() const { return m_popupMenu; }

    std::function<void()> OnDblClick;
    std::function<void(int column)> OnColumnClick;
    std::function<void(int row, bool selected)> OnSelectItem;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void selectionChangedTo(const QItemSelection& selected, const QItemSelection& deselected);

    ListItemsModel* m_model;
    QPointer<QMenu> m_popupMenu;
    int m_resetDropsRow = -1;
};

} // namespace qx
