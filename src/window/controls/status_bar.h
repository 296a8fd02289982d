#pragma once

#include <QStatusBar>
#include <QVector>

class QLabel;

// A status bar of text panels of fixed width, numbered from 1.
class StatusBar : public QStatusBar {
    Q_OBJECT

public:
    StatusBar(int panelCount, int panelWidth, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;

private:
    QVector<QLabel*> panels_;
};
