// The growing twips layout against numbers worked out by hand (96 dpi: 15 twips a pixel), and every window built
// on it whole at two desktop font sizes.
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include "about/frmabout.h"
#include "app/frmpenwick.h"
#include "platform/twips.h"
#include "platform/twipslayout.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "settings/frmoptions.h"

#include <memory>

class tst_TwipsLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_desktopFont = QApplication::font();
        m_main = std::make_unique<frmPenwick>();   // whose icon the windows take
    }
    void cleanupTestCase()
    {
        frmFind::unload();
        frmReplace::unload();
        frmOptions::unload();
        frmAbout::unload();
    }
    void layout_data();
    void layout();
    void windowIsWhole_data();
    void windowIsWhole();

private:
    QFont m_desktopFont;
    std::unique_ptr<frmPenwick> m_main;
};

namespace {

bool isCaption(const QWidget *w)
{
    const auto *label = qobject_cast<const QLabel *>(w);
    return label && label->pixmap().isNull();
}

struct Control
{
    QRect designTwips;
    QSize needs;   // pixels
    bool centred = false;
};

}

Q_DECLARE_METATYPE(QList<Control>)
Q_DECLARE_METATYPE(QList<QRect>)

void tst_TwipsLayout::layout_data()
{
    QTest::addColumn<QSize>("clientTwips");
    QTest::addColumn<QList<Control>>("controls");
    QTest::addColumn<QList<QRect>>("placed");   // pixels
    QTest::addColumn<QSize>("window");

    QTest::newRow("[A  ][B]: room enough, the design stands")
        << QSize(3000, 600) << QList<Control>{{{0, 0, 1500, 300}, {50, 10}}, {{1800, 0, 900, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 100, 20}, {120, 0, 60, 20}} << QSize(200, 40);
    QTest::newRow("[AAAAAA][B]: A grows, B moves right, the window keeps its right margin")
        << QSize(3000, 600) << QList<Control>{{{0, 0, 1500, 300}, {150, 20}}, {{1800, 0, 900, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 150, 20}, {156, 0, 60, 20}} << QSize(236, 40);
    QTest::newRow("A over B: A grows down, B moves down, the window keeps its bottom margin")
        << QSize(3000, 1200) << QList<Control>{{{0, 0, 1500, 300}, {50, 40}}, {{0, 450, 1500, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 100, 40}, {0, 46, 100, 20}} << QSize(200, 96);
    QTest::newRow("[F] [LLLLLL]: the centred line widens both ways, F makes way, the window grows on both sides")
        << QSize(3000, 600) << QList<Control>{{{150, 0, 450, 300}, {10, 10}}, {{750, 0, 1500, 300}, {160, 20}, true}}
        << QList<QRect>{{14, 0, 30, 20}, {50, 0, 160, 20}} << QSize(260, 40);
}

void tst_TwipsLayout::layout()
{
    QFETCH(QSize, clientTwips);
    QFETCH(QList<Control>, controls);
    QFETCH(QList<QRect>, placed);
    QFETCH(QSize, window);
    if (platform::logicalDpi() != 96)
        QSKIP("the numbers are worked out at 96 dpi");
    QDialog dialog;
    platform::TwipsLayout layout;
    QList<QLabel *> labels;
    for (const Control &c : controls) {
        auto *label = new QLabel(&dialog);
        QPixmap picture(c.needs);
        picture.fill(Qt::gray);
        label->setPixmap(picture);
        const QRect &d = c.designTwips;
        if (c.centred)
            layout.placeCentred(label, d.x(), d.y(), d.width(), d.height());
        else
            layout.place(label, d.x(), d.y(), d.width(), d.height());
        labels << label;
    }
    // Laid out a second time, it comes out the same: nothing creeps.
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(layout.apply(dialog, clientTwips.width(), clientTwips.height()), window);
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(labels[i]->geometry(), placed[i]);
    }
}

void tst_TwipsLayout::windowIsWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("client");   // the design's, twips
    QTest::addColumn<QStringList>("tabOrder");   // every control that takes focus, once round
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<QStringList>("framed");     // "frame:member member ..."
    QTest::addColumn<QStringList>("centred");    // on the window's middle
    QTest::addColumn<qreal>("pointSize");        // of the desktop font; 0 keeps the desktop's own
    const QStringList about{"Label1", "Label2", "Label3", "Label4", "Label5", "lblMail", "Label7", "lblWeb", "cmdOK"};
    for (const qreal pointSize : {0.0, 20.0}) {
        const char *font = pointSize > 0 ? ", large font" : "";
        QTest::addRow("Find%s", font) << "frmFind" << "Find" << QSize(3915, 960)
                                      << QStringList{"txtFind", "cmdFind", "cmdCancel", "chkCase", "chkWhole"} << "cmdFind"
                                      << QStringList() << QStringList() << pointSize;
        QTest::addRow("Replace%s", font)
            << "frmReplace" << "Replace" << QSize(4185, 1380)
            << QStringList{"txtReplace", "txtWith", "cmdReplace", "cmdAll", "cmdCancel", "chkCase", "chkWhole"} << ""
            << QStringList() << QStringList() << pointSize;
        QTest::addRow("Default Options%s", font)
            << "frmOptions" << "Default Options" << QSize(3180, 4785)
            << QStringList{"cmdOK", "cmdCancel", "chkWrap", "cmdScreen", "cmdPrinter", "cmdDefaults", "cboTab", "chkScreen", "chkStatus"}
            << "cmdOK"
            << QStringList{"Frame2:Label4 cboTab chkWrap chkScreen chkStatus",
                           "Frame1:Label1 lblScreen cmdScreen Label2 lblPrinter cmdPrinter cmdDefaults"}
            << QStringList() << pointSize;
        QTest::addRow("About%s", font) << "frmAbout" << "About Penwick" << QSize(4575, 3750) << QStringList{"cmdOK"} << "" << QStringList()
                                       << about << pointSize;
    }
}

// A fixed-size dialog without minimise and maximise boxes; every control as large as its caption needs, inside
// the window, overlapping nothing but a label reaching under its box or a frame round its members, whose title
// they leave free.
void tst_TwipsLayout::windowIsWhole()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QSize, client);
    QFETCH(QStringList, tabOrder);
    QFETCH(QString, defaultButton);
    QFETCH(QStringList, framed);
    QFETCH(QStringList, centred);
    QFETCH(qreal, pointSize);
    QFont font = m_desktopFont;
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    QApplication::setFont(font);
    frmFind::unload();
    frmReplace::unload();
    frmOptions::unload();
    frmAbout::unload();
    QDialog &dialog = name == QLatin1String("frmFind") ? static_cast<QDialog &>(frmFind::instance())
        : name == QLatin1String("frmReplace")           ? static_cast<QDialog &>(frmReplace::instance())
        : name == QLatin1String("frmOptions")           ? static_cast<QDialog &>(frmOptions::instance())
                                                        : static_cast<QDialog &>(frmAbout::instance());
    QApplication::setFont(m_desktopFont);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.windowFlags() & (Qt::WindowType_Mask | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
             Qt::Dialog | Qt::WindowCloseButtonHint);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    if (name != QLatin1String("frmOptions"))   // which shows the application's, as every window does once main() set it
        QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(dialog.width() >= platform::twipsToPixels(client.width()) && dialog.height() >= platform::twipsToPixels(client.height()));

    QHash<const QWidget *, const QGroupBox *> frameOf;
    for (const QString &group : framed) {
        const auto *frame = dialog.findChild<QGroupBox *>(group.section(QLatin1Char(':'), 0, 0));
        QVERIFY(frame);
        for (const QString &member : group.section(QLatin1Char(':'), 1).split(QLatin1Char(' '))) {
            const QWidget *w = dialog.findChild<QWidget *>(member);
            QVERIFY2(w && frame->geometry().contains(w->geometry()), qPrintable(member));
            QVERIFY2(w->y() >= frame->y() + frame->contentsRect().top(), qPrintable(member + " sits on its frame's title"));
            frameOf.insert(w, frame);
        }
    }
    const QList<QWidget *> controls = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget *control : controls) {
        const QString what = control->objectName();
        const QSize needed = platform::TwipsLayout::neededSize(control);
        QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(), qPrintable(what + " is clipped"));
        QVERIFY2(dialog.rect().contains(control->geometry()), qPrintable(what + " is outside"));
        const QRect at = control->geometry();
        if (centred.contains(what))
            QVERIFY2(qAbs(2 * at.x() + at.width() - dialog.width()) <= 1, qPrintable(what + " is off the middle"));
        for (const QWidget *other : controls) {
            const QRect both = at.intersected(other->geometry());
            const bool framing = frameOf.value(control) == other || frameOf.value(other) == control;
            // The design lets a caption reach a pixel or two under the box beside or below it.
            const bool labelUnder = (isCaption(control) || isCaption(other)) && qMin(both.width(), both.height()) <= 2;
            QVERIFY2(other == control || both.isEmpty() || framing || labelUnder,
                     qPrintable(what + " overlaps " + other->objectName()));
        }
    }

    QStringList chain;
    QWidget *first = dialog.findChild<QWidget *>(tabOrder.first());
    QVERIFY(first);
    QWidget *w = first;
    do {
        if (!w->isWindow() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && controls.contains(w))
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && chain.size() <= tabOrder.size());
    QCOMPARE(chain, tabOrder);
    QString isDefault;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        if (button->isDefault())
            isDefault = button->objectName();
    QCOMPARE(isDefault, defaultButton);
}

QTEST_MAIN(tst_TwipsLayout)
#include "tst_twipslayout.moc"
