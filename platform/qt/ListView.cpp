#include "ListView.h"

#include "Cp932.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace qx {

const std::string& ListItem::Text(int column) const
{
    static const std::string empty;
    if (column == 0)
        return Caption;
    const auto sub = static_cast<std::size_t>(column - 1);
    return column > 0 && sub < SubItems.size() ? SubItems[sub] : empty;
}

ListItemsModel::ListItemsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int ListItemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int ListItemsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListItemsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_items.size())
        return {};
    const ListItem& item = m_items[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        // A row is one line high: line breaks inside a text show as blanks.
        QString text = ToUnicode(item.Text(index.column()));
        for (QChar& c : text)
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                c = QLatin1Char(' ');
        return text;
    }
    case Qt::ToolTipRole:
        return ToUnicode(item.Text(index.column()));
    case Qt::DecorationRole:
        if (index.column() == 0)
            return rowDecoration(item);
        return {};
    default:
        return {};
    }
}

QVariant ListItemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_columns[static_cast<std::size_t>(section)].Caption;
    return {};
}

void ListItemsModel::SetColumns(std::vector<ListColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

void ListItemsModel::SetImages(std::vector<QIcon> smallImages, std::vector<QIcon> stateImages)
{
    m_smallImages = std::move(smallImages);
    m_stateImages = std::move(stateImages);
    m_decorations.assign((m_stateImages.size() + 1) * (m_smallImages.size() + 1), QIcon());
}

void ListItemsModel::ResetItems(std::vector<ListItem> items)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

void ListItemsModel::RowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ListItemsModel::StableSort(const std::function<bool(const ListItem&, const ListItem&)>& less)
{
    emit layoutAboutToBeChanged();
    std::stable_sort(m_items.begin(), m_items.end(), less);
    emit layoutChanged();
}

QIcon ListItemsModel::rowDecoration(const ListItem& item) const
{
    // A row shows its state picture and its small picture side by side. An
    // index outside the lists leaves that place blank.
    auto slot = [](int index, std::size_t count) {
        return index >= 0 && static_cast<std::size_t>(index) < count ? static_cast<std::size_t>(index) + 1 : 0;
    };
    const std::size_t state = slot(item.StateIndex, m_stateImages.size());
    const std::size_t small = slot(item.ImageIndex, m_smallImages.size());
    const std::size_t key = state * (m_smallImages.size() + 1) + small;
    if (key >= m_decorations.size())
        return {};
    QIcon& icon = m_decorations[key];
    if (icon.isNull()) {
        for (const qreal scale : {1.0, 2.0}) {
            QPixmap pixmap(QSize(32, 16) * scale);
            pixmap.setDevicePixelRatio(scale);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            if (state)
                m_stateImages[state - 1].paint(&painter, QRect(0, 0, 16, 16));
            if (small)
                m_smallImages[small - 1].paint(&painter, QRect(16, 0, 16, 16));
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

TListView::TListView(QWidget* parent)
    : QTreeView(parent)
    , m_model(new ListItemsModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(32, 16));
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (OnColumnClick)
            OnColumnClick(column);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TListView::selectionChangedTo);
    // A rebuild drops the selection without a selection signal; report it.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_resetDropsRow = Selected(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        const int row = std::exchange(m_resetDropsRow, -1);
        if (row >= 0 && OnSelectItem)
            OnSelectItem(row, false);
    });
}

int TListView::Selected() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TListView::SetSelected(int row)
{
    if (row < 0 || row >= Count()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

ListItem* TListView::SelectedItem()
{
    const int row = Selected();
    return row < 0 ? nullptr : &m_model->Items()[static_cast<std::size_t>(row)];
}

void TListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_popupMenu)
        m_popupMenu->exec(event->globalPos());
    event->accept();
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (OnDblClick)
        OnDblClick();
}

void TListView::selectionChangedTo(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (!OnSelectItem)
        return;
    for (const QModelIndex& index : deselected.indexes())
        if (index.column() == 0)
            OnSelectItem(index.row(), false);
    for (const QModelIndex& index : selected.indexes())
        if (index.column() == 0)
            OnSelectItem(index.row(), true);
}

} // namespace qx
