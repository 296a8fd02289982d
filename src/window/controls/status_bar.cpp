#include "window/controls/status_bar.h"

#include <QLabel>

StatusBar::StatusBar(int panelCount, int panelWidth, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int i = 0; i < panelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setFixedWidth(panelWidth);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        addWidget(panel);
        panels_.push_back(panel);
    }
}

void StatusBar::setPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= panels_.size())
        panels_[panel - 1]->setText(text);
}

QString StatusBar::panelText(int panel) const
{
    if (panel < 1 || panel > panels_.size())
        return {};
    return panels_[panel - 1]->text();
}
