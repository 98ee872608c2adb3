// The About box: its centred lines at any desktop font, the two links, Esc and OK, and the close box.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "about/frmabout.h"
#include "harness.h"
#include "platform/services.h"
#include "platform/twips.h"

class tst_about : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_font = QApplication::font(); }

    void cleanup()
    {
        EXPECT_DESKTOP_SATISFIED();
        frmAbout::unload();
        QApplication::setFont(m_font);
    }

    void linesAreCentredAndWhole_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("mustGrow");
        QTest::newRow("desktop font") << 1.0 << false;
        QTest::newRow("small font") << 0.6 << false;
        QTest::newRow("large font") << 2.5 << true;
    }

    void linesAreCentredAndWhole()
    {
        QFETCH(double, scale);
        QFETCH(bool, mustGrow);
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * scale);
        QApplication::setFont(font);
        frmAbout &box = frmAbout::instance();

        QCOMPARE(box.windowTitle(), QStringLiteral("About Penwick"));
        QCOMPARE(box.windowFlags() & (Qt::WindowType_Mask | Qt::WindowMinMaxButtonsHint), Qt::Dialog);
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QVERIFY(box.width() >= platform::twipsToPixels(4575) && box.height() >= platform::twipsToPixels(3750));
        if (mustGrow)
            QVERIFY(box.width() > platform::twipsToPixels(4575) && box.height() > platform::twipsToPixels(3750));
        const QStringList texts{"Penwick 1.63", "Copyright (C) 2026", "by the Penwick developers", "This program is freeware",
                                "Comments? Suggestions?", "E-Mail: penwick@example.org", "For latest version visit:",
                                "https://penwick.example.org/", "&OK"};
        const QList<QWidget *> lines{box.Label1, box.Label2, box.Label3, box.Label4, box.Label5,
                                     box.lblMail, box.Label7, box.lblWeb, box.cmdOK};
        for (int i = 0; i < lines.size(); ++i) {
            const QWidget *line = lines[i];
            const QRect at = line->geometry();
            QCOMPARE(line->property("text").toString(), texts[i]);
            QVERIFY2(qAbs(2 * at.x() + at.width() - box.width()) <= 1, qPrintable(line->objectName() + " is off the middle"));
            if (line != box.cmdOK)
                QVERIFY2(at.width() >= line->sizeHint().width() && at.height() >= line->sizeHint().height(), qPrintable(texts[i]));
            QVERIFY2(box.rect().contains(at), qPrintable(texts[i]));
            for (const QWidget *other : box.findChildren<QWidget *>())
                QVERIFY2(other == line || !other->geometry().intersects(at), qPrintable(texts[i] + " overlaps " + other->objectName()));
        }
        for (const QWidget *control : box.findChildren<QWidget *>())
            QCOMPARE(control->focusPolicy() == Qt::NoFocus, control != box.cmdOK);
        // The two pictures flank the title on its row, the same distance out.
        QVERIFY(box.Image1->geometry().right() < box.Label1->x() && box.Image2->x() > box.Label1->geometry().right());
        QVERIFY(box.Image1->geometry().intersects(QRect(0, box.Label1->y(), box.width(), box.Label1->height())));
        QVERIFY(qAbs(box.Image1->x() + box.Image2->geometry().right() + 1 - box.width()) <= 2);
        QCOMPARE(box.Image1->pixmap().size(), QSize(32, 32));
    }

    void linksHandTheirAddressToTheShell_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("command");
        QTest::newRow("mail") << "lblMail" << "explorer mailto:penwick@example.org (1)";
        QTest::newRow("web page") << "lblWeb" << "explorer https://penwick.example.org/ (1)";
    }

    void linksHandTheirAddressToTheShell()
    {
        QFETCH(QString, label);
        QFETCH(QString, command);
        Harness h;
        h.desktop.modal([&](QDialog &box) {
            auto *link = box.findChild<QLabel *>(label);
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QVERIFY(link->font().underline());
            QCOMPARE(link->font().pointSizeF(), 8.25);
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), QPoint(12, 1));
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
            QTest::mouseClick(link, Qt::LeftButton);
            QTest::mouseClick(link, Qt::RightButton);
            QTest::mousePress(link, Qt::LeftButton);
            QTest::mouseRelease(link, Qt::LeftButton, {}, link->rect().bottomRight() + QPoint(4, 4));   // let go elsewhere
            QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().bottomRight());
            QVERIFY(box.isVisible());
        });
        h.w().mnuHelpAbout->trigger();
        QStringList started;
        for (const auto &call : h.desktop.calls)
            if (call.kind == QLatin1String("Shell"))
                started << QStringLiteral("%1 (%2)").arg(call.prompt).arg(call.style);
        QCOMPARE(started, QStringList({command, command}));
    }

    void hidingKeepsItAndTheCloseBoxUnloadsIt()
    {
        Harness h;
        QPointer<QDialog> first;
        h.desktop.modal([&](QDialog &box) {
            first = &box;
            QVERIFY(QTest::qWaitForWindowActive(&box));
            QCOMPARE(box.focusWidget(), frmAbout::instance().cmdOK);
            QTest::keyClick(&box, Qt::Key_Escape);
            QVERIFY(!box.isVisible());
        });
        h.desktop.modal([&](QDialog &box) {
            QCOMPARE(&box, first.data());
            QTest::mouseClick(frmAbout::instance().cmdOK, Qt::LeftButton);
            QVERIFY(!box.isVisible());
        });
        h.desktop.modal([](QDialog &box) {
            box.close();
            QVERIFY(!frmAbout::isLoaded());
        });
        for (int i = 0; i < 3; ++i)
            h.w().mnuHelpAbout->trigger();
        QTRY_VERIFY(first.isNull());
    }

private:
    QFont m_font;
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
