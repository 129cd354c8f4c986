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
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) { m_text = FromUnicode(text); });
}

void TComboBox::SetText(std::string text)
{
    m_text = std::move(text);
    const QSignalBlocker blocker(this);
    setEditText(ToUnicode(m_text));
}

void TComboBox::AddItem(std::string item)
{
    InsertItem(static_cast<int>(m_items.size()), std::move(item));
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
