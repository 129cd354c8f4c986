#include "ComboBox.h"

#include "Cp932.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace qx {

TComboBox::TComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < m_items.size())
            m_text = m_items[static_cast<std::size_t>(index)];
    });
}

std::string TComboBox::Text() const
{
    const QString shown = lineEdit()->text();
    if (ToUnicode(m_text) == shown)
        return m_text;
    // Several items may look alike; the current one is what the box last
    // moved to.
    const int current = currentIndex();
    if (current >= 0 && static_cast<std::size_t>(current) < m_items.size()
        && ToUnicode(m_items[static_cast<std::size_t>(current)]) == shown)
        return m_items[static_cast<std::size_t>(current)];
    for (const std::string& item : m_items) {
        if (ToUnicode(item) == shown)
            return item;
    }
    return FromUnicode(shown);
}

void TComboBox::SetText(std::string text)
{
    m_text = std::move(text);
    const QSignalBlocker blocker(this);
    setEditText(ToUnicode(m_text));
}

void TComboBox::InsertItem(int index, std::string item)
{
    const QSignalBlocker blocker(this);
    const QString shown = lineEdit()->text();
    insertItem(index, ToUnicode(item));
    m_items.insert(m_items.begin() + index, std::move(item));
    setEditText(shown);
}

void TComboBox::SetItems(std::vector<std::string> items)
{
    const QSignalBlocker blocker(this);
    const QString shown = lineEdit()->text();
    clear();
    for (const std::string& item : items)
        addItem(ToUnicode(item));
    m_items = std::move(items);
    setEditText(shown);
}

} // namespace qx
