#include "StatusBar.h"

#include "Cp932.h"

namespace qx {

TStatusBar::TStatusBar(const std::vector<int>& panelWidths, QWidget* parent)
    : QStatusBar(parent)
    , m_texts(panelWidths.size())
{
    setSizeGripEnabled(true);
    for (std::size_t i = 0; i < panelWidths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(panelWidths[i]);
        // No accessible name of its own: a label without one is named by
        // its text, and announces each change of it as a change of name.
        panel->setAccessibleDescription(QStringLiteral("panel %1").arg(i));
        addWidget(panel);
        m_panels.push_back(panel);
    }
}

void TStatusBar::SetPanelText(int panel, std::string text)
{
    const auto i = static_cast<std::size_t>(panel);
    m_panels.at(i)->setText(ToUnicode(text));
    m_texts.at(i) = std::move(text);
}

} // namespace qx
