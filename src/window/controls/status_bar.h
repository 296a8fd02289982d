#pragma once

#include <QStatusBar>
#include <QVector>

class QLabel;
class QTimer;

// A status bar of text panels of fixed width, numbered from 1, that can also tell what was
// just done, with a link to take it back.
class StatusBar : public QStatusBar {
    Q_OBJECT

public:
    StatusBar(int panelCount, int panelWidth, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;

    // Shows `text` (plain) and, unless `link` is empty, `link` as a link behind it, in the
    // panels' place, for `shownMs` milliseconds; the bar shows while a notice does.
    void showNotice(const QString& text, const QString& link, int shownMs);
    void clearNotice();
    bool hasNotice() const;
    // The notice as the user reads it, link included.
    QString noticeText() const;

signals:
    void noticeLinkActivated();

private:
    QVector<QLabel*> panels_;
    QLabel* notice_;
    QTimer* noticeTimer_;
    bool noticeUp_ = false;
};
