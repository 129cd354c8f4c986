#pragma once
// The status bar stand-in: fixed-width panels whose texts are byte strings.
// A panel's text is also its accessible name, and each change of it is
// announced, so that a screen reader reads the state as it changes.

#include <QLabel>
#include <QStatusBar>
#include <string>
#include <vector>

namespace qx {

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    TStatusBar(const std::vector<int>& panelWidths, QWidget* parent = nullptr);

    void SetPanelText(int panel, std::string text);
    const std::string& PanelText(int panel) const { return m_texts.at(static_cast<std::size_t>(panel)); }

private:
    std::vector<QLabel*> m_panels;
    std::vector<std::string> m_texts;
};

} // namespace qx
