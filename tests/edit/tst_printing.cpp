// Printing into a PDF file: whole lines on paper whatever the screen's wrap, paginated, in the font the Options
// preview shows.
#include <QFontInfo>
#include <QImage>
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

    void wholeLinesOnPages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");   // -1: print the whole document
        QTest::addColumn<int>("pages");
        QStringList words;
        for (int i = 1; i <= 60; ++i)
            words << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString wide = QStringLiteral("first line\n") + words.join(QLatin1Char(' ')) + QLatin1Char(' ');
        QTest::newRow("a 300-character line, wrap off: wrapped on paper") << wide << -1 << 1;
        QTest::newRow("its selection: only that") << wide << 11 << 1;
        QTest::newRow("no text: one empty page") << QString() << -1 << 1;
        QTest::newRow("120 lines: three pages") << QStringLiteral("line\n").repeated(120) << -1 << 3;
        QTest::newRow("one line of 120 rows' words: wrapped onto three pages") << QStringLiteral("word ").repeated(120 * 16) << -1 << 3;
    }

    void wholeLinesOnPages()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, pages);
        Harness h;
        h.w().RichTextBox->setText(text);
        if (selStart >= 0) {
            h.w().RichTextBox->setSelStart(selStart);
            h.w().RichTextBox->setSelLength(int(text.size()));
        }
        QCOMPARE(h.w().RichTextBox->RightMargin(), 491520.0f);
        const QString pdf = h.path(QStringLiteral("out.pdf"));
        h.desktop.printDialog(selStart >= 0 ? 0x00100101 : 0x00100100, 0, pdf);
        h.w().mnuFilePrint_Click();
        QCOMPARE(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified(), text.mid(qMax(0, selStart)).simplified());
        const QRegularExpression pageCount(QStringLiteral("Pages: *(\\d+)"));
        QCOMPARE(pageCount.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt(), pages);
        // The ink keeps the margins of a printed page, 2 cm (about 57 points) from every edge of the paper.
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                          pdf, h.path(QStringLiteral("page"))});
        const QImage page(h.path(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 160)
                    ink |= QRect(x, y, 1, 1);
        QCOMPARE(ink.isEmpty(), text.isEmpty());
        if (!ink.isEmpty()) {
            const QRect inside = page.rect().adjusted(56, 56, -56, -56);
            QVERIFY2(inside.contains(ink), qPrintable(QStringLiteral("ink from %1,%2 to %3,%4 on %5x%6").arg(ink.left()).arg(ink.top())
                                                          .arg(ink.right()).arg(ink.bottom()).arg(page.width()).arg(page.height())));
        }
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
