// The status bar, docked by itself at the bottom of its parent's client area.
#include "platform/statusbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

#include "platform/twips.h"

namespace platform {

StatusBar::StatusBar(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    const char *names[3] = {"Panel1", "Panel2", "Panel3"};
    const QString initial[3] = {QStringLiteral("Line: 1"), QStringLiteral("Col: 1"), QString()};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(initial[i], this);
        m_panels[i]->setObjectName(QLatin1String(names[i]));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setContentsMargins(3, 0, 3, 0);
        layout->addWidget(m_panels[i], i == 2 ? 1 : 0);
    }
    // LeastPanelWidth each, widened where the desktop font needs more room for "Line: 99999".
    const int room = fontMetrics().horizontalAdvance(QStringLiteral("Line: 9999999")) + 12;
    for (int i = 0; i < 2; ++i)
        m_panels[i]->setMinimumWidth(qMax(twipsToPixels(LeastPanelWidth), room));
    setFixedHeight(qMax(twipsToPixels(LeastHeight), m_panels[0]->sizeHint().height() + 4));
    parent->installEventFilter(this);
    dock();
}

void StatusBar::setPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 3)
        m_panels[panel - 1]->setText(text);
}

QString StatusBar::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels[panel - 1]->text() : QString();
}

float StatusBar::Height() const
{
    return float(pixelsToTwips(height()));
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        dock();
    return QWidget::eventFilter(watched, event);
}

void StatusBar::dock()
{
    const QWidget *client = parentWidget();
    setGeometry(0, client->height() - height(), client->width(), height());
    raise();
}

}
