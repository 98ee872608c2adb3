// The edit control's contract, driven through platform::RichTextBox only, so a second engine can run it too.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include "engines.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"

using platform::RichTextBox;

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        box = std::make_unique<RichTextBox>();
        box->resize(300, 200);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    }

    void cleanup()
    {
        EXPECT_DESKTOP_SATISFIED();
        box.reset();
    }

    void selectionAcrossLineBreaks()
    {
        box->setText(QStringLiteral("ab\r\ncd\ref\ngh"));
        QCOMPARE(box->Text(), QStringLiteral("ab\ncd\nef\ngh"));
        QCOMPARE(box->textLength(), 11);
        box->setSelStart(1);
        box->setSelLength(6);
        QCOMPARE(box->SelText(), QStringLiteral("b\ncd\ne"));
        box->setSelText(QStringLiteral("X"));
        QCOMPARE(box->Text(), QStringLiteral("aXf\ngh"));
        QCOMPARE(box->SelStart(), 2);
        QCOMPARE(box->SelLength(), 0);
        box->setSelStart(99);
        QCOMPARE(box->SelStart(), 6);
        box->setSelStart(4);
        box->setSelLength(99);
        QCOMPARE(box->SelText(), QStringLiteral("gh"));
    }

    void textKeepsEveryCharacter()
    {
        const QString odd = QStringLiteral("a\u00a0b\u2028c") + QChar(0) + QStringLiteral("\u0001\uFEFF");
        box->setText(odd);
        QCOMPARE(box->Text(), odd);
        box->setSelStart(0);
        box->setSelLength(4);
        QCOMPARE(box->SelText(), odd.left(4));
    }

    void linesWithoutWrapAreBlocks()
    {
        box->setRightMargin(491520);
        box->setText(QString(400, QLatin1Char('w')) + QStringLiteral("\nx\n\ny"));
        QCOMPARE(box->GetLineFromChar(400), 0);
        QCOMPARE(box->GetLineFromChar(9999), 3);
    }

    // After random edits and undos the incremental row counts must equal those of a fresh control with the same text.
    void wrappedLinesStayExactUnderEdits()
    {
        RichTextBox fresh;
        fresh.resize(box->size());
        fresh.show();
        box->setRightMargin(0);
        fresh.setRightMargin(0);
        QRandomGenerator random(3);
        const QStringList pieces = {"lorem ", "ipsum ", "dolor ", "\n", "sit amet, consectetur ", "x"};
        QString seed;
        for (int i = 0; i < 300; ++i)
            seed += pieces[random.bounded(int(pieces.size()))];
        box->setText(seed);
        const auto compareWithFresh = [&] {
            fresh.setText(box->Text());
            for (int p = 0; p <= box->textLength(); p += 7) {
                const int line = box->GetLineFromChar(p);
                QCOMPARE(line, fresh.GetLineFromChar(p));
                const int start = box->lineIndex(line);
                QVERIFY(start <= p);
                QCOMPARE(start, fresh.lineIndex(line));
            }
        };
        for (int round = 0; round < 40; ++round) {
            box->GetLineFromChar(box->textLength());   // counts everything, so edits must keep counts exact
            const int at = random.bounded(box->textLength() + 1);
            box->setSelStart(at);
            box->setSelLength(random.bounded(20));
            if (round % 10 == 8) {
                // A Replace All that adds breaks, or removes them; the next round undoes it in one pass.
                RichTextBox::CompoundEdit group(*box);
                const QString needle = round % 20 == 8 ? QStringLiteral("o") : QStringLiteral("\n");
                for (int from = 0, p; (p = box->Find(needle, from, -1, 0)) >= 0;) {
                    const QString with = needle == u"\n" ? QString() : p % 3 ? QStringLiteral("0\n") : QStringLiteral("00");
                    box->setSelText(with);
                    from = p + int(with.size());
                }
            } else if (round % 10 == 9) {
                box->Undo();
                compareWithFresh();
                QTest::keyClick(box->focusProxy(), Qt::Key_Y, Qt::ControlModifier);   // redo, in one pass too
                compareWithFresh();
                box->Undo();
            } else if (round % 5 == 4) {
                box->Undo();
            } else {
                box->setSelText(round % 3 ? pieces[random.bounded(int(pieces.size()))] + pieces[random.bounded(int(pieces.size()))] : QString());
            }
            compareWithFresh();
            if (QTest::currentTestFailed())
                return;
        }
        // A narrower control wraps into more rows; the counts follow the width.
        const int before = box->GetLineFromChar(box->textLength());
        box->resize(150, 200);
        QTRY_VERIFY(box->GetLineFromChar(box->textLength()) > before);
    }

    void undoGroupsAndResets()
    {
        box->setFocus();
        QApplication::setActiveWindow(box.get());
        QWidget *editor = box->focusProxy();
        QTest::keyClicks(editor, QStringLiteral("one"));
        box->setSelText(QStringLiteral(" two"));
        QVERIFY(box->canUndo());
        box->Undo();
        QCOMPARE(box->Text(), QStringLiteral("one"));
        QTest::keyClick(editor, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(box->Text(), QString());
        box->setText(QStringLiteral("loaded"));
        QVERIFY2(!box->canUndo(), "a written Text has no history to undo into");
        box->setSelText(QStringLiteral("!"));
        box->resetUndo();
        QVERIFY(!box->canUndo());
    }

    void caretKeysBringTheCaretBack_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("atEnd");   // the caret at the end and the view at the top, else the other way round
        QTest::newRow("Ctrl+Home on the first line") << int(Qt::Key_Home) << int(Qt::ControlModifier) << false;
        QTest::newRow("Home") << int(Qt::Key_Home) << 0 << false;
        QTest::newRow("Up on the first line") << int(Qt::Key_Up) << 0 << false;
        QTest::newRow("Left at the start") << int(Qt::Key_Left) << 0 << false;
        QTest::newRow("Backspace at the start") << int(Qt::Key_Backspace) << 0 << false;
        QTest::newRow("Ctrl+End at the end") << int(Qt::Key_End) << int(Qt::ControlModifier) << true;
        QTest::newRow("Right at the end") << int(Qt::Key_Right) << 0 << true;
        QTest::newRow("Down on the last line") << int(Qt::Key_Down) << 0 << true;
        QTest::newRow("Delete at the end") << int(Qt::Key_Delete) << 0 << true;
        QTest::newRow("no key: the caret set while hidden shows with the view") << 0 << 0 << true;
    }

    // A caret key or an edit shows the caret even where it does not move it.
    void caretKeysBringTheCaretBack()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, atEnd);
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QStringLiteral("line %1").arg(i);
        QWidget *editor = box->focusProxy();
        QScrollBar *bar = qobject_cast<QAbstractScrollArea *>(editor)->verticalScrollBar();
        if (!key)
            box->hide();
        box->setText(lines.join(QLatin1Char('\n')));
        box->setSelStart(atEnd ? box->textLength() : 0);
        if (key) {
            box->setFocus();
            QApplication::setActiveWindow(box.get());
            bar->setValue(atEnd ? 0 : bar->maximum());
            QTest::keyClick(editor, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        } else {
            box->show();
        }
        QVERIFY(bar->maximum() > 0);
        // The reference engine shows the last line whole one step short of the end.
        QTRY_VERIFY2(atEnd ? bar->value() >= bar->maximum() - 1 : bar->value() == 0,
                     qPrintable(QStringLiteral("%1 of %2").arg(bar->value()).arg(bar->maximum())));
    }

    void undoSelectsWhatTheTypingReplaced_data()
    {
        QTest::addColumn<bool>("selected");   // "one two three" with "two" selected, else the caret after it
        QTest::newRow("typed over a selection: it comes back selected") << true;
        QTest::newRow("typed at the caret: the caret only") << false;
    }

    void undoSelectsWhatTheTypingReplaced()
    {
        QFETCH(bool, selected);
        QWidget *editor = box->focusProxy();
        box->setFocus();
        QApplication::setActiveWindow(box.get());
        box->setText(QStringLiteral("one two three"));
        box->setSelStart(selected ? 4 : 7);
        box->setSelLength(selected ? 3 : 0);
        QTest::keyClicks(editor, QStringLiteral("xyz"));
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->Text(), QStringLiteral("one two three"));
        QCOMPARE(box->SelStart(), selected ? 4 : 7);
        QCOMPARE(box->SelText(), selected ? QStringLiteral("two") : QString());
    }

    // With nothing left, nothing is left to scroll across.
    void emptyTextHasNoHorizontalRange()
    {
        box->setRightMargin(491520);
        box->setText(QString(2000, QLatin1Char('w')));
        box->setSelStart(2000);
        QScrollBar *bar = qobject_cast<QAbstractScrollArea *>(box->focusProxy())->horizontalScrollBar();
        QTRY_VERIFY(bar->maximum() > 1000);
        box->setSelStart(0);
        box->setSelLength(2000);
        box->setSelText(QString());
        QTRY_COMPARE(bar->maximum(), 0);
    }

    void heightRefusesNegative()
    {
        QCOMPARE(box->setHeight(1500), 0);
        const float height = box->Height();
        QVERIFY(box->setHeight(-300) != 0);
        QCOMPARE(box->Height(), height);
    }

    void scriptedDesktopFailsOnUnansweredPrompt()
    {
        ScriptedDesktop desktop;
        QCOMPARE(platform::desktop().MsgBox(QStringLiteral("Surprise?"), 36, QStringLiteral("Penwick")), int(platform::vbNo));
        QVERIFY(desktop.problems().contains(QStringLiteral("Surprise?")));
        desktop.clear();
        desktop.msgBox(platform::vbYes, QStringLiteral("Expected?"));
        QVERIFY(desktop.problems().contains(QStringLiteral("never came")));
        desktop.clear();
    }

private:
    std::unique_ptr<RichTextBox> box;
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_RichTextBox)
#include "tst_richtextbox.moc"
