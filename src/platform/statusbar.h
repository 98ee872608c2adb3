// The status bar: docked to the bottom of its parent, three panels; the first two 800 twips wide.
#pragma once

#include <QWidget>

class QLabel;

namespace platform {

class StatusBar : public QWidget
{
    Q_OBJECT

public:
    // Twips: a bar is never lower than this, and a panel never narrower.
    static constexpr int LeastHeight = 300;
    static constexpr int LeastPanelWidth = 800;

    explicit StatusBar(QWidget *parent);

    void setPanelText(int panel, const QString &text);   // panels count from 1
    QString panelText(int panel) const;
    float Height() const;                                // twips
    bool Visible() const { return !isHidden(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void dock();

    QLabel *m_panels[3];
};

}
