#include "window/controls/status_bar.h"

#include <QLabel>
#include <QTextDocumentFragment>
#include <QTimer>

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
    notice_ = new QLabel(this);
    notice_->setTextFormat(Qt::RichText);
    notice_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    notice_->setAccessibleName(tr("What was just done"));
    notice_->hide();
    addWidget(notice_, 1);
    connect(notice_, &QLabel::linkActivated, this, &StatusBar::noticeLinkActivated);
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setSingleShot(true);
    connect(noticeTimer_, &QTimer::timeout, this, &StatusBar::clearNotice);
}

void StatusBar::showNotice(const QString& text, const QString& link, int shownMs)
{
    QString html = text.toHtmlEscaped();
    if (!link.isEmpty())
        html += QStringLiteral(" <a href=\"notice\">%1</a>").arg(link.toHtmlEscaped());
    notice_->setText(html);
    notice_->setAccessibleName(noticeText());
    for (QLabel* panel : panels_)
        panel->hide();
    notice_->show();
    noticeUp_ = true;
    show();
    noticeTimer_->start(shownMs);
}

void StatusBar::clearNotice()
{
    noticeTimer_->stop();
    if (!noticeUp_)
        return;
    noticeUp_ = false;
    notice_->hide();
    notice_->clear();
    for (QLabel* panel : panels_)
        panel->show();
    // The bar itself shows only while it has something to say.
    if (currentMessage().isEmpty())
        hide();
}

bool StatusBar::hasNotice() const
{
    return noticeUp_;
}

QString StatusBar::noticeText() const
{
    return hasNotice() ? QTextDocumentFragment::fromHtml(notice_->text()).toPlainText() : QString();
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
