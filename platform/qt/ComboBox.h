#pragma once
// The editable drop-down box stand-in. Its items and its text are byte
// strings in code page 932. The text is always what the box shows, however
// it got there (typed, completed from the items, picked, pasted); when that
// equals an item's conversion, the item's own bytes are given back, so bytes
// that do not survive the conversion to Unicode are kept.

#include <QComboBox>
#include <string>
#include <vector>

namespace qx {

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);

    // The shown text as bytes.
    std::string Text() const;
    void SetText(std::string text);

    const std::vector<std::string>& Items() const { return m_items; }
    void InsertItem(int index, std::string item);
    // Replaces every item, keeping the text.
    void SetItems(std::vector<std::string> items);

private:
    std::vector<std::string> m_items;
    // The bytes last set or picked; they stand for the shown text while it
    // is their conversion.
    std::string m_text;
};

} // namespace qx
