// Printing into a PDF file: whole lines on paper whatever the screen's wrap, in the font the Options preview shows.
#include <QFontInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "harness.h"
#include "platform/fonts.h"
#include "platform/richtextbox.h"
#include "settings/frmoptions.h"

using namespace platform;

class tst_Printing : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void longLinesWrapOnPaper_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::newRow("whole document") << false;
        QTest::newRow("selection") << true;
    }

    // A 300-character line with word wrap off: every word of it is on the page.
    void longLinesWrapOnPaper()
    {
        QFETCH(bool, selection);
        Harness h;
        QStringList words;
        for (int i = 1; i <= 60; ++i)
            words << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
        h.w().RichTextBox->setText(QStringLiteral("first line\n") + words.join(QLatin1Char(' ')) + QLatin1Char(' '));
        if (selection) {
            h.w().RichTextBox->setSelStart(11);
            h.w().RichTextBox->setSelLength(300);
        }
        QCOMPARE(h.w().RichTextBox->RightMargin(), 491520.0f);
        const QString pdf = h.path(QStringLiteral("out.pdf"));
        h.desktop.printDialog(selection ? 0x00100101 : 0x00100100, 0, pdf);
        h.w().mnuFilePrint_Click();
        const QString printed = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY2(!printed.isEmpty(), "pdftotext read nothing");
        for (const QString &word : words)
            QVERIFY2(printed.contains(word), qPrintable(word + QStringLiteral(" is not on the page:\n") + printed));
        QCOMPARE(printed.contains(QStringLiteral("first line")), !selection);
    }

    // One substitution rule: the face the preview draws "Courier New" (absent here) with is the face in the PDF.
    void previewShowsThePrintedFont()
    {
        Harness h;
        h.w().RichTextBox->setText(QStringLiteral("abc\tdef"));
        const QString pdf = h.path(QStringLiteral("font.pdf"));
        h.desktop.printDialog(0x00100100, 0, pdf);
        h.w().mnuFilePrint_Click();
        QString previewFace = QFontInfo(frmOptions::instance().lblPrinter->shownFont()).family();
        previewFace.remove(QLatin1Char(' '));
        const QString fonts = run(QStringLiteral("pdffonts"), {pdf});
        const QRegularExpression face(QStringLiteral("^([A-Z]{6}\\+)?") + previewFace + QLatin1Char(' '),
                                      QRegularExpression::MultilineOption);
        QVERIFY2(fonts.contains(face),
                 qPrintable(QStringLiteral("preview: %1\n%2").arg(previewFace, fonts)));
    }

private:
    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(30000) ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
