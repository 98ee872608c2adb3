// The About box's two links.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "about/frmabout.h"
#include "harness.h"
#include "platform/services.h"

class tst_about : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        EXPECT_DESKTOP_SATISFIED();
        frmAbout::unload();
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
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
