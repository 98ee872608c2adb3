// Layout and the caret display, word wrap and tab stops on the real window.
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QScrollBar>
#include <QTest>

#include "engines.h"
#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "settings/frmoptions.h"

class tst_Caret : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        h = std::make_unique<Harness>();
        h->show();
    }

    void cleanup()
    {
        h.reset();
        EXPECT_DESKTOP_SATISFIED();
    }

    void lineAndColumn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("where");
        QTest::newRow("empty document") << "" << 0 << 0 << "Line: 1 Col: 1";
        QTest::newRow("end of a twelve-character line") << "first\ntwelve chars\nlast" << 18 << 0 << "Line: 2 Col: 13";
        QTest::newRow("a selection reports its start") << "abc\ndefgh\nij" << 6 << 5 << "Line: 2 Col: 3";
    }

    void lineAndColumn()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, where);
        h->w().RichTextBox->setSelText(text);
        h->w().RichTextBox->setSelStart(selStart);
        h->w().RichTextBox->setSelLength(selLength);
        h->w().Coords();
        QCOMPARE(line() + QLatin1Char(' ') + col(), where);
    }

    // Wrap on from the menu: rows count as lines; off again: the file's lines.
    void wrappedRowsCountAsLines()
    {
        QString words;
        for (int i = 0; i < 200; ++i)
            words += QStringLiteral("word%1 ").arg(i % 10);
        h->w().RichTextBox->setSelText(words + QStringLiteral("\nnext"));
        const int end = int(words.size()) + 1;
        h->w().RichTextBox->setSelStart(end);
        QCOMPARE(line(), QStringLiteral("Line: 2"));
        h->w().mnuOptionsWordwrap->trigger();
        QVERIFY(h->w().mnuOptionsWordwrap->isChecked());
        QCOMPARE(h->w().RichTextBox->RightMargin(), 0.0f);
        const int rows = h->w().RichTextBox->GetLineFromChar(end);
        QVERIFY2(rows > 5, qPrintable(line()));
        QCOMPARE(line(), QStringLiteral("Line: %1").arg(rows + 1));
        QCOMPARE(col(), QStringLiteral("Col: 1"));
        // Along the paragraph the line grows by one at each row start, and the column restarts at 1.
        int previous = 0;
        for (int p = 0; p < end - 1; ++p) {
            h->w().RichTextBox->setSelStart(p);
            const int row = h->w().RichTextBox->GetLineFromChar(p);
            QVERIFY(row == previous || row == previous + 1);
            if (row == previous + 1)
                QCOMPARE(col(), QStringLiteral("Col: 1"));
            previous = row;
        }
        QCOMPARE(previous + 1, rows);
        // An edit above keeps the counts exact: one more row pushes the last line down.
        h->w().RichTextBox->setSelStart(0);
        h->w().RichTextBox->setSelText(QStringLiteral("\n"));
        QCOMPARE(h->w().RichTextBox->GetLineFromChar(end + 1), rows + 1);
        h->w().RichTextBox->setSelStart(end);   // the end of the words' line, on its last row
        h->w().mnuOptionsWordwrap->trigger();
        QVERIFY(!h->w().mnuOptionsWordwrap->isChecked());
        QCOMPARE(h->w().RichTextBox->RightMargin(), 491520.0f);
        QCOMPARE(line() + QLatin1Char(' ') + col(), QStringLiteral("Line: 2 Col: %1").arg(end));
    }

    // The text fills the client area above the bar; minimised, nothing moves; the status option changes the
    // layout at once but not the bar.
    void layoutFollowsTheWindowAndTheStatusOption()
    {
        const float height = h->w().RichTextBox->Height();
        h->w().showMinimized();
        h->w().Form_Resize();
        QCOMPARE(h->w().RichTextBox->Height(), height);
        h->w().showNormal();
        h->w().Form_Resize();
        QCOMPARE(qRound(h->w().RichTextBox->Height()), qRound(h->w().ScaleHeight() - h->w().StatusBar->Height()));
        frmOptions::setValue(frmOptions::instance().chkStatus, 0);
        h->w().resize(h->w().width() + 10, h->w().height() + 10);
        QTRY_COMPARE(qRound(h->w().RichTextBox->Height()), qRound(h->w().ScaleHeight()));
        QVERIFY(h->w().StatusBar->Visible());
    }

    // With wrap on, a narrower window wraps into more rows; a burst of resizes brings the display up to date once.
    void resizeBurstCountsRowsOnce()
    {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("a line that wraps at a narrow width, number %1\n").arg(i);
        h->w().RichTextBox->setText(text);
        h->w().Wordwrap();
        h->w().RichTextBox->setSelStart(h->w().RichTextBox->textLength());
        const QString wide = line();
        for (int width = 400; width > 250; width -= 30)
            h->w().resize(width, h->w().height());
        QVERIFY2(line() == wide, "the counts are not redone for every resize of a burst");
        QTRY_VERIFY(line() != wide);
        QCOMPARE(line(), QStringLiteral("Line: %1").arg(h->w().RichTextBox->GetLineFromChar(h->w().RichTextBox->SelStart()) + 1));
    }

    void resizeKeepsThePlace_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");   // 0: the same width, a larger font
        QTest::addColumn<bool>("caretInView");   // else the caret is far above and the first character in view stays
        QTest::newRow("widened, the caret in view: it keeps its row on screen") << 500 << 900 << true;
        QTest::newRow("narrowed, the caret in view") << 900 << 500 << true;
        QTest::newRow("widened, the caret elsewhere: the first character in view stays at the top") << 500 << 900 << false;
        QTest::newRow("narrowed, the caret elsewhere") << 900 << 500 << false;
        QTest::newRow("a larger font, the caret in view") << 500 << 0 << true;
        QTest::newRow("a larger font, the caret elsewhere") << 500 << 0 << false;
    }

    // With word wrap on, a width change keeps the text in view where it was, not the first row's number.
    void resizeKeepsThePlace()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, caretInView);
        if (qstrcmp(currentTestEngine(), "qt") == 0)
            QSKIP("Qt's widget scrolls by lines, not by the rows counted here");
        platform::RichTextBox &box = *h->w().RichTextBox;
        QString text;
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("Section %1. The licence's words run on and wrap into a few rows at these widths.\n").arg(i);
        h->w().resize(from, 400);
        if (!to)
            box.setFontName(QStringLiteral("DejaVu Sans Mono"));   // a face whose size counts
        box.setText(text);
        h->w().mnuOptionsWordwrap->trigger();
        QCOMPARE(box.RightMargin(), 0.0f);
        box.GetLineFromChar(box.textLength());
        QScrollBar *bar = qobject_cast<QAbstractScrollArea *>(box.focusProxy())->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        const int top = bar->value();
        const int kept = caretInView ? box.lineIndex(top + 3) + 5 : box.lineIndex(top);
        box.setSelStart(caretInView ? kept : 0);
        bar->setValue(top);
        const int rowsDown = box.GetLineFromChar(kept) - bar->value();
        QCOMPARE(rowsDown, caretInView ? 3 : 0);
        if (to)
            h->w().resize(to, 400);
        else
            box.setFontSize(20);
        QTRY_COMPARE(box.GetLineFromChar(kept) - bar->value(), rowsDown);
    }

    // Wrap on at the end of more lines than are counted at once: the caret shows at once among the lines laid
    // out around it, and once the rows above are counted in the background the view still shows it and the
    // status bar gives its exact line.
    void wrapOnAtTheEndCountsRowsAfterwards()
    {
        platform::RichTextBox &box = *h->w().RichTextBox;
        h->w().resize(300, h->w().height());
        if (h->w().mnuOptionsWordwrap->isChecked())
            h->w().Wordwrap();
        QString text;
        for (int i = 0; i < 6000; ++i)
            text += QStringLiteral("a line that wraps at a narrow width, number %1\n").arg(i);
        box.setText(text + QStringLiteral("end"));
        box.setSelStart(box.textLength());
        h->w().Wordwrap();
        if (qstrcmp(currentTestEngine(), "own") == 0)
            QVERIFY2(!box.displayLinesCurrent(), "the rows above the caret were counted before the caret was shown");
        QTRY_VERIFY_WITH_TIMEOUT(box.displayLinesCurrent(), 20000);
        const int row = box.GetLineFromChar(box.SelStart());
        QVERIFY2(row > 6000, qPrintable(line()));
        QTRY_COMPARE(line(), QStringLiteral("Line: %1").arg(row + 1));
        QCOMPARE(box.lineIndex(row), box.textLength() - 3);
        QWidget *view = box.focusProxy();
        const QRect caret = view->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY2(view->rect().contains(caret.center()), "the caret scrolled out of view while the rows were counted");
    }

    void tabStops_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("flagBefore");
        QTest::addColumn<float>("second");
        QTest::addColumn<float>("last");
        QTest::addColumn<QString>("flagAfter");
        QTest::newRow("4") << "4" << "1" << 480.0f << 14880.0f << "1";
        QTest::newRow("empty: all at 0") << "" << "" << 0.0f << 0.0f << "0";
        QTest::newRow("0") << "0" << "0" << 0.0f << 0.0f << "0";
        QTest::newRow(" 3 stops later") << " 3x" << "1" << 360.0f << 11160.0f << "1";
        QTest::newRow("abc") << "abc" << "" << 0.0f << 0.0f << "0";
        QTest::newRow("-5") << "-5" << "0" << -600.0f << -18600.0f << "0";
        QTest::newRow("99999999") << "99999999" << "0" << 1.2e10f << 3.72e11f << "0";
    }

    void tabStops()
    {
        QFETCH(QString, size);
        QFETCH(QString, flagBefore);
        QFETCH(float, second);
        QFETCH(float, last);
        QFETCH(QString, flagAfter);
        frmOptions::instance().cboTab->setEditText(size);
        h->w().RichTextBox->Tag = flagBefore;
        h->w().SetTabs();
        QCOMPARE(h->w().RichTextBox->SelTabCount(), 32);
        QCOMPARE(h->w().RichTextBox->SelTabs(0), 0.0f);
        QCOMPARE(h->w().RichTextBox->SelTabs(1), second);
        QCOMPARE(h->w().RichTextBox->SelTabs(31), last);
        QCOMPARE(h->w().RichTextBox->Tag, flagAfter);
        // Whatever the size, a tab still moves the caret on screen.
        h->w().RichTextBox->setText(QStringLiteral("\tx"));
        h->w().RichTextBox->setSelStart(1);
        QApplication::processEvents();
        QWidget *editor = h->w().RichTextBox->focusProxy();
        const int atTab = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        h->w().RichTextBox->setSelStart(0);
        const int beforeTab = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        QVERIFY2(atTab > beforeTab, qPrintable(QStringLiteral("%1 <= %2").arg(atTab).arg(beforeTab)));
    }

    void tabsLeaveAGap_data()
    {
        QTest::addColumn<QString>("font");
        QTest::addColumn<float>("size");
        QTest::addColumn<QString>("tabSize");
        QTest::addColumn<int>("cell");   // the character advance of a monospace face, or 0
        QTest::newRow("proportional, stops narrower than the words") << "DejaVu Sans" << 11.0f << "2" << 0;
        QTest::newRow("the Fixedsys stand-in: 8-pixel characters on the stops") << "Fixedsys" << 9.0f << "8" << 8;
    }

    // A tab never advances less than a space; the stand-in for Fixedsys has the 8-pixel cell the stops count in.
    void tabsLeaveAGap()
    {
        QFETCH(QString, font);
        QFETCH(float, size);
        QFETCH(QString, tabSize);
        QFETCH(int, cell);
        platform::RichTextBox &box = *h->w().RichTextBox;
        box.setFontName(font);
        box.setFontSize(size);
        frmOptions::instance().cboTab->setEditText(tabSize);
        h->w().SetTabs();
        // The tabs come in as typed text: the room before them must follow edits, not only whole texts.
        box.setText(QStringLiteral("col1"));
        box.setSelStart(4);
        box.setSelText(QStringLiteral("\tcol2\tcol3"));
        QApplication::processEvents();
        QWidget *editor = box.focusProxy();
        auto x = [&](int position) {
            box.setSelStart(position);
            return editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        };
        const QFontMetrics metrics(box.resolvedFont());
        const int space = metrics.horizontalAdvance(QLatin1Char(' '));
        for (const int tab : {4, 9}) {
            const int textEnd = x(tab - 4) + metrics.horizontalAdvance(QStringLiteral("col1"));
            QVERIFY2(x(tab + 1) - textEnd >= space - 1, qPrintable(QStringLiteral("tab at %1: %2 after the text, a space is %3")
                                                                      .arg(tab).arg(x(tab + 1) - textEnd).arg(space)));
        }
        if (cell) {
            QCOMPARE(metrics.horizontalAdvance(QLatin1Char('0')), cell * platform::logicalDpi() / 96);
            QCOMPARE(x(5) - x(0), 8 * cell);   // "col1" and its tab: one stop of eight characters
        }
    }

    // Default settings: X after n tabs stands where X after 8n spaces does, on screen pixels at any DPI.
    void tabsFallOnCharacterColumns()
    {
        platform::RichTextBox &box = *h->w().RichTextBox;
        QCOMPARE(box.FontName(), QStringLiteral("Fixedsys"));
        frmOptions::instance().cboTab->setEditText(QStringLiteral("8"));
        h->w().SetTabs();
        QString text;
        for (int n = 1; n <= 6; ++n)
            text += QString(n, QLatin1Char('\t')) + QStringLiteral("X\n") + QString(8 * n, QLatin1Char(' ')) + QStringLiteral("X\n");
        box.setText(text);
        box.setSelStart(box.textLength());
        const QImage shot = qobject_cast<QAbstractScrollArea *>(box.focusProxy())->viewport()->grab().toImage();
        // Each run of pixel rows with ink in it is one X; its leftmost inked column is where it stands.
        QList<int> columns;
        bool inX = false;
        for (int y = 0; y < shot.height(); ++y) {
            int left = -1;
            for (int x = 0; x < shot.width() && left < 0; ++x)
                left = qGray(shot.pixel(x, y)) < 128 ? x : -1;
            if (left >= 0 && !inX)
                columns << left;
            else if (left >= 0)
                columns.last() = qMin(columns.last(), left);
            inX = left >= 0;
        }
        QVERIFY2(columns.size() >= 12, qPrintable(QString::number(columns.size())));
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(columns[2 * n - 2], columns[2 * n - 1]);
            QVERIFY2(columns[2 * n - 2] > columns.value(2 * n - 4, 0), "each tab moves the X on");
        }
    }

private:
    QString line() const { return h->w().StatusBar->panelText(1); }
    QString col() const { return h->w().StatusBar->panelText(2); }
    std::unique_ptr<Harness> h;
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_Caret)
#include "tst_caret.moc"
