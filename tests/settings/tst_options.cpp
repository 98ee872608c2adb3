// The Default Options window over a temporary store: activation, fonts, defaults, OK and Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"
#include "settings/frmoptions.h"

class tst_Options : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void screenSizeBoxFollowsTheWindow()
    {
        Harness h;
        h.show();
        frmOptions &o = frmOptions::instance();
        h.desktop.modal([&](QDialog &) {
            QCOMPARE(o.lblScreen->text(), QStringLiteral("Fixedsys 9"));
            QCOMPARE(o.lblPrinter->text(), QStringLiteral("Courier New 12"));
            QVERIFY2(!o.chkScreen->isEnabled(), "the first run's window has the stored default size");
            click(o.cmdCancel);
        });
        h.w().mnuOptionsOptions_Click();
        h.w().resize(h.w().width() + 60, h.w().height());
        h.desktop.modal([&](QDialog &) {
            QVERIFY(o.chkScreen->isEnabled());
            click(o.cmdCancel);
        });
        h.w().mnuOptionsOptions_Click();
    }

    void chosenFontAppliesAndStoresOnOk()
    {
        Harness h;
        frmOptions &o = frmOptions::instance();
        h.w().RichTextBox->setFontBold(true);
        h.desktop.modal([&](QDialog &) {
            click(o.cmdScreen);
            QCOMPARE(o.lblScreen->text(), QStringLiteral("DejaVu Sans Mono 10.5"));
            QVERIFY2(o.lblScreen->width() >= o.lblScreen->sizeHint().width(), "a longer font name is shown whole");
            QVERIFY(o.rect().contains(o.cmdScreen->geometry()));
            click(o.cmdPrinter);   // cancelled; it opened on the font chosen last, through either button
            o.chkStatus->setChecked(false);
            o.cboTab->setEditText(QStringLiteral("4"));
            click(o.cmdOK);
            QVERIFY(!o.isVisible());
        });
        h.desktop.fontDialog(QStringLiteral("DejaVu Sans Mono"), 10.5f);
        h.desktop.fontDialog(QString(), 0);
        h.w().mnuOptionsOptions_Click();
        QCOMPARE(h.desktop.calls[1].prompt, QString());
        QCOMPARE(h.desktop.calls[2].prompt, QStringLiteral("DejaVu Sans Mono 10.5"));
        QCOMPARE(h.w().RichTextBox->FontName(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(h.w().RichTextBox->FontSize(), 10.5f);
        QVERIFY(!h.w().RichTextBox->FontBold());
        QCOMPARE(stored("ScrnFont"), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(stored("ScrnFontSize"), QLocale().toString(10.5));
        QCOMPARE(stored("PrntFont"), QStringLiteral("Courier New"));
        QCOMPARE(stored("TabSize"), QStringLiteral("4"));
        QCOMPARE(stored("StatusBar"), QStringLiteral("0"));
        QCOMPARE(stored("Width"), QString());
        QVERIFY2(h.w().StatusBar->Visible(), "the status bar setting takes effect at the next start");
    }

    void cancelStoresNothingAndRestores()
    {
        Harness h({}, {{"PrntFont", "DejaVu Serif"}});
        frmOptions &o = frmOptions::instance();
        h.desktop.modal([&](QDialog &) {
            click(o.cmdScreen);   // the font dialog cancelled: the preview stays
            QCOMPARE(o.lblScreen->text(), QStringLiteral("Fixedsys 9"));
            QCOMPARE(o.lblScreen->font().family(), QStringLiteral("Fixedsys"));
            click(o.cmdPrinter);
            o.chkWrap->setChecked(true);
            click(o.cmdCancel);
        });
        h.desktop.fontDialog(QString(), 0);
        h.desktop.fontDialog(QStringLiteral("DejaVu Sans"), 20);
        h.w().mnuOptionsOptions_Click();
        QCOMPARE(o.lblPrinter->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(frmOptions::value(o.chkWrap), 0);
        QCOMPARE(stored("PrntFont"), QStringLiteral("DejaVu Serif"));
        QCOMPARE(stored("Wrap"), QString());
    }

    void defaultsThenOkStoreTheDefaultFonts()
    {
        Harness h({}, {{"ScrnFont", "DejaVu Sans"}, {"ScrnFontSize", "14"}, {"PrntFont", "DejaVu Serif"}, {"PrntFontSize", "8"}});
        frmOptions &o = frmOptions::instance();
        h.desktop.modal([&](QDialog &) {
            click(o.cmdDefaults);
            QCOMPARE(o.lblScreen->text(), QStringLiteral("Fixedsys 9"));
            click(o.cmdOK);
        });
        h.w().mnuOptionsOptions_Click();
        QCOMPARE(stored("ScrnFont"), QStringLiteral("Fixedsys"));
        QCOMPARE(stored("ScrnFontSize"), QStringLiteral("9"));
        QCOMPARE(stored("PrntFont"), QStringLiteral("Courier New"));
        QCOMPARE(stored("PrntFontSize"), QStringLiteral("12"));
    }

    void okWhileMaximisedStoresTheState()
    {
        Harness h;
        h.show();
        h.w().showMaximized();
        QTRY_COMPARE(h.w().WindowState(), 2);
        frmOptions &o = frmOptions::instance();
        h.desktop.modal([&](QDialog &) {
            QVERIFY(o.chkScreen->isEnabled());
            o.chkScreen->setChecked(true);
            click(o.cmdOK);
        });
        h.w().mnuOptionsOptions_Click();
        QCOMPARE(stored("Maximised"), QStringLiteral("2"));
        QCOMPARE(stored("Width").toDouble(), double(float(h.w().windowWidth())));
        QVERIFY(!o.chkScreen->isChecked());
    }

private:
    static QString stored(const QString &key)
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Penwick"), QStringLiteral("Penwick"))
            .value(QStringLiteral("Options/") + key).toString();
    }
    static void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
};

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
