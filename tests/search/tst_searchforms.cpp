// The Find and Replace windows as laid out: design positions, captions that fit, tab order, window style.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/frmpenwick.h"
#include "platform/twips.h"
#include "platform/twipslayout.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "search/searchform.h"

using platform::twipsToPixels;

namespace {

QDialog &form(const QString &name)
{
    if (name == QLatin1String("frmFind"))
        return frmFind::instance();
    return frmReplace::instance();
}

QRect designRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

}

class tst_searchforms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void controls_data();
    void controls();
    void window_data();
    void window();
    void growingControlPushesTheOthers();

private:
    frmPenwick *m_main = nullptr;
};

void tst_searchforms::initTestCase()
{
    m_main = new frmPenwick;
}

void tst_searchforms::cleanupTestCase()
{
    frmFind::unload();
    frmReplace::unload();
    delete m_main;
}

void tst_searchforms::controls_data()
{
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("design");
    QTest::addColumn<QString>("caption");

    QTest::newRow("find label") << "frmFind" << "lblFind" << designRect(120, 60, 495, 255) << "Find:";
    QTest::newRow("find text") << "frmFind" << "txtFind" << designRect(600, 60, 2055, 285) << "";
    QTest::newRow("find button") << "frmFind" << "cmdFind" << designRect(2880, 60, 975, 375) << "&Find";
    QTest::newRow("find cancel") << "frmFind" << "cmdCancel" << designRect(2880, 480, 975, 375) << "Cancel";
    QTest::newRow("find case") << "frmFind" << "chkCase" << designRect(120, 420, 1215, 195) << "Match &Case";
    QTest::newRow("find whole") << "frmFind" << "chkWhole" << designRect(120, 660, 1815, 195) << "Match &Whole Word";
    QTest::newRow("replace label") << "frmReplace" << "lblReplace" << designRect(120, 60, 735, 255) << "Replace:";
    QTest::newRow("replace text") << "frmReplace" << "txtReplace" << designRect(840, 60, 2055, 285) << "";
    QTest::newRow("replace with") << "frmReplace" << "txtWith" << designRect(840, 420, 2055, 285) << "";
    QTest::newRow("replace button") << "frmReplace" << "cmdReplace" << designRect(3120, 60, 975, 375) << "&Replace";
    QTest::newRow("replace all") << "frmReplace" << "cmdAll" << designRect(3120, 480, 975, 375) << "Replace &All";
    QTest::newRow("replace cancel") << "frmReplace" << "cmdCancel" << designRect(3120, 900, 975, 375) << "Cancel";
    QTest::newRow("replace case") << "frmReplace" << "chkCase" << designRect(120, 840, 1215, 195) << "Match &Case";
    QTest::newRow("replace whole") << "frmReplace" << "chkWhole" << designRect(120, 1080, 1695, 195) << "Match &Whole Word";
    QTest::newRow("replace with label") << "frmReplace" << "lblWith" << designRect(120, 420, 735, 255) << "With:";
}

// Each control stays at or after its design place, shows its whole caption, and stays inside the window.
void tst_searchforms::controls()
{
    QFETCH(QString, formName);
    QFETCH(QString, control);
    QFETCH(QRect, design);
    QFETCH(QString, caption);

    QDialog &dialog = form(formName);
    auto *widget = dialog.findChild<QWidget *>(control);
    QVERIFY(widget);
    const QRect at = widget->geometry();
    QVERIFY2(at.x() >= design.x() && at.y() >= design.y(), qPrintable(control));
    QVERIFY2(at.width() >= design.width() && at.height() >= design.height(), qPrintable(control));
    const QSize needed = platform::TwipsLayout::neededSize(widget);
    QVERIFY2(at.width() >= needed.width() && at.height() >= needed.height(), qPrintable(control));
    QVERIFY2(QRect(QPoint(), dialog.size()).contains(at), qPrintable(control));
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(edit->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(edit->font().pointSizeF(), 8.25);
    } else {
        QCOMPARE(widget->property("text").toString(), caption);
    }
    // Apart from labels, which may reach under their text boxes, no two controls overlap.
    for (const QWidget *other : dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != widget && other->geometry().intersects(at) && !other->objectName().startsWith(QLatin1String("lbl"))
            && !control.startsWith(QLatin1String("lbl")))
            QFAIL(qPrintable(control + QLatin1String(" overlaps ") + other->objectName()));
    }
}

void tst_searchforms::window_data()
{
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QStringList>("tabOrder");
    QTest::addColumn<QString>("defaultButton");

    QTest::newRow("find") << "frmFind" << "Find" << QSize(3915, 960)
                          << QStringList{"txtFind", "cmdFind", "cmdCancel", "chkCase", "chkWhole"} << "cmdFind";
    QTest::newRow("replace") << "frmReplace" << "Replace" << QSize(4185, 1380)
                             << QStringList{"txtReplace", "txtWith", "cmdReplace", "cmdAll", "cmdCancel", "chkCase", "chkWhole"}
                             << "";
}

void tst_searchforms::window()
{
    QFETCH(QString, formName);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(QStringList, tabOrder);
    QFETCH(QString, defaultButton);

    QDialog &dialog = form(formName);
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(dialog.width() >= twipsToPixels(client.width()));
    QVERIFY(dialog.height() >= twipsToPixels(client.height()));
    QVERIFY(!dialog.windowIcon().isNull());

    QStringList chain;
    QWidget *w = dialog.findChild<QWidget *>(tabOrder.first());
    for (qsizetype i = 0; i < tabOrder.size(); ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        chain << w->objectName();
    }
    QCOMPARE(chain, tabOrder);

    QString isDefault;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>()) {
        if (button->isDefault())
            isDefault = button->objectName();
    }
    QCOMPARE(isDefault, defaultButton);
}

void tst_searchforms::growingControlPushesTheOthers()
{
    QDialog dialog;
    auto *label = new QLabel(QStringLiteral("A caption far longer than its place"), &dialog);
    auto *edit = new QLineEdit(&dialog);
    auto *button = new QPushButton(QStringLiteral("&Go"), &dialog);
    auto *first = new QCheckBox(QStringLiteral("First"), &dialog);
    auto *second = new QCheckBox(QStringLiteral("Second"), &dialog);
    QFont big = first->font();
    big.setPointSizeF(big.pointSizeF() * 3);
    first->setFont(big);
    platform::TwipsLayout layout;
    layout.place(label, 120, 60, 495, 255);
    layout.place(edit, 600, 60, 2055, 285);
    layout.place(button, 2880, 60, 975, 375);
    layout.place(first, 120, 420, 1215, 195);
    layout.place(second, 120, 660, 1815, 195);
    const QSize client = layout.apply(dialog, 3915, 960);

    QCOMPARE(label->width(), label->sizeHint().width());
    QVERIFY(edit->x() >= label->geometry().right());
    QCOMPARE(edit->width(), twipsToPixels(2055));
    QVERIFY(button->x() > edit->geometry().right());
    QVERIFY(second->y() > first->geometry().bottom());
    QCOMPARE(second->x(), first->x());
    QVERIFY(client.width() > twipsToPixels(3915));
    QVERIFY(client.height() > twipsToPixels(960));
    QVERIFY(client.width() >= button->geometry().right());
    QCOMPARE(dialog.size(), client);
}

QTEST_MAIN(tst_searchforms)
#include "tst_searchforms.moc"
