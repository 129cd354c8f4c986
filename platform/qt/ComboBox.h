#pragma once
// The editable drop-down box stand-in. Its items and its text are byte
// strings in code page 932; an item chosen from the list gives back its own
// bytes, and only typed text goes through the Unicode conversion.

#include <QComboBox>
#include <string>
#include <vector>

namespace qx {

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);

    const std::string& Text() const { return m_text; }
    void SetText(std::string text);

    const std::vector<std::string>& Items() const { return m_items; }
    void AddItem(std::string item);
    void InsertItem(int index, std::string item);
    // Replaces every item, keeping the text.
    void SetItems(std::vector<std::string> items);

private:
    std::vector<std::string> m_items;
    std::string m_text;
};

} // namespace qx
