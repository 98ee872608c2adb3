// The Edit menu, context menu and special keys, with real key events and plain text on the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "engines.h"
#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/services.h"

using namespace platform;

class tst_EditCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        h = std::make_unique<Harness>();
        h->show();
        h->w().RichTextBox->setFocus();
        doc = QApplication::focusWidget();
        QVERIFY(doc);
        QApplication::clipboard()->clear();
    }

    void cleanup()
    {
        h.reset();
        EXPECT_DESKTOP_SATISFIED();
    }

    void clipboardKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("selected");    // "hello" with the caret at 1 and this many characters selected
        QTest::addColumn<QString>("clip");    // on the clipboard before; empty: only an image
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipAfter");
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("Ctrl+V pastes") << int(Qt::Key_V) << ctrl << 0 << "[clip]" << "h[clip]ello" << "[clip]";
        QTest::newRow("Shift+Insert pastes") << int(Qt::Key_Insert) << shift << 0 << "[clip]" << "h[clip]ello" << "[clip]";
        QTest::newRow("Ctrl+Shift+V is not paste") << int(Qt::Key_V) << (ctrl | shift) << 0 << "[clip]" << "hello" << "[clip]";
        QTest::newRow("Ctrl+V, only an image: consumed") << int(Qt::Key_V) << ctrl << 3 << "" << "hello" << "";
        QTest::newRow("Ctrl+C copies") << int(Qt::Key_C) << ctrl << 3 << "before" << "hello" << "ell";
        QTest::newRow("Ctrl+Insert copies") << int(Qt::Key_Insert) << ctrl << 3 << "before" << "hello" << "ell";
        QTest::newRow("Ctrl+X cuts") << int(Qt::Key_X) << ctrl << 3 << "before" << "ho" << "ell";
        QTest::newRow("Shift+Delete cuts") << int(Qt::Key_Delete) << shift << 3 << "before" << "ho" << "ell";
        QTest::newRow("Shift+Delete, no selection: consumed") << int(Qt::Key_Delete) << shift << 0 << "before" << "hello" << "before";
    }

    void clipboardKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, selected);
        QFETCH(QString, clip);
        QFETCH(QString, text);
        QFETCH(QString, clipAfter);
        QTest::keyClicks(doc, QStringLiteral("hello"));
        auto *data = new QMimeData;
        if (clip.isEmpty())
            data->setImageData(QImage(4, 4, QImage::Format_RGB32));
        else
            data->setText(clip);
        QApplication::clipboard()->setMimeData(data);
        h->w().RichTextBox->setSelStart(1);
        h->w().RichTextBox->setSelLength(selected);
        type(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(h->w().RichTextBox->Text(), text);
        QCOMPARE(QApplication::clipboard()->text(), clipAfter);
    }

    void undoKeyWhetherOrNotEnabled()
    {
        QTest::keyClicks(doc, QStringLiteral("abc"));
        h->w().mnuEditUndo->setEnabled(false);
        type(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h->w().RichTextBox->Text(), QString());
        QVERIFY2(h->w().mnuEditUndo->isEnabled(), "the undo's own change enables Undo again");
        type(Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(h->w().RichTextBox->Text(), QString());
    }

    void f5InsertsDateAndTime_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("F5") << int(Qt::NoModifier);
        QTest::newRow("Shift+F5") << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+F5") << int(Qt::ControlModifier);
        QTest::newRow("Alt+F5") << int(Qt::AltModifier);
    }

    void f5InsertsDateAndTime()
    {
        QFETCH(int, modifiers);
        QTest::keyClicks(doc, QStringLiteral("<sel>"));
        h->w().RichTextBox->Tag = QStringLiteral("0");
        h->w().RichTextBox->setSelStart(0);
        h->w().RichTextBox->setSelLength(5);
        const QString before = GeneralDateTime();
        type(Qt::Key_F5, Qt::KeyboardModifiers(modifiers));
        const QString after = GeneralDateTime();
        const QString text = h->w().RichTextBox->Text();
        QVERIFY2(text == before || text == after, qPrintable(text));
        QVERIFY(text.contains(QLatin1Char(' ')));
        QCOMPARE(h->w().RichTextBox->Tag, QStringLiteral("1"));
    }

    void typingAndSelectionEnableTheEditMenu()
    {
        QApplication::clipboard()->setText(QStringLiteral("t"));
        h->w().mnuEdit_Click();
        QVERIFY(!h->w().mnuEditCut->isEnabled());
        QVERIFY(!h->w().mnuEditCopy->isEnabled());
        QVERIFY(!h->w().mnuEditDelete->isEnabled());
        QVERIFY(h->w().mnuEditPaste->isEnabled());
        QVERIFY(!h->w().mnuEditUndo->isEnabled());
        QTest::keyClicks(doc, QStringLiteral("abc"));
        QCOMPARE(h->w().RichTextBox->Tag, QStringLiteral("1"));
        QVERIFY(h->w().mnuEditUndo->isEnabled());
        h->w().RichTextBox->setSelStart(0);
        h->w().RichTextBox->setSelLength(2);
        QApplication::clipboard()->clear();
        h->w().mnuEdit_Click();
        QVERIFY(h->w().mnuEditCut->isEnabled());
        QVERIFY(h->w().mnuEditCopy->isEnabled());
        QVERIFY(h->w().mnuEditDelete->isEnabled());
        QVERIFY(!h->w().mnuEditPaste->isEnabled());
        QVERIFY(h->w().mnuEditSelectall->isEnabled());
    }

    void rightButtonShowsTheEditMenu()
    {
        QApplication::clipboard()->setText(QStringLiteral("t"));
        h->w().RichTextBox_MouseUp(1, 0, 0, 0);
        QVERIFY(!h->w().mnuEdit->isVisible());
        h->w().RichTextBox_MouseUp(2, 0, 0, 0);
        QTRY_VERIFY(h->w().mnuEdit->isVisible());
        QVERIFY(!h->w().mnuEditCut->isEnabled());
        QVERIFY(h->w().mnuEditPaste->isEnabled());
        h->w().mnuEdit->close();
    }

    void copyGivesPlainTextWithLineFeeds()
    {
        const QString markup = QStringLiteral("{\\rtf1 <b>bold</b>}\r\nline two\rthree");
        h->w().RichTextBox->setSelText(markup);
        h->w().mnuEditSelectall_Click();
        h->w().mnuEditCopy_Click();
        const QMimeData *data = QApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), QStringLiteral("{\\rtf1 <b>bold</b>}\nline two\nthree"));
        QVERIFY2(!data->hasHtml(), "plain text only");
        // Pasting it back inserts exactly that text.
        h->w().RichTextBox->setSelText(QString());
        h->w().mnuEditPaste_Click();
        QCOMPARE(h->w().RichTextBox->Text(), QStringLiteral("{\\rtf1 <b>bold</b>}\nline two\nthree"));
    }

    void menuPasteWithoutTextKeepsSelection()
    {
        QTest::keyClicks(doc, QStringLiteral("keep"));
        h->w().mnuEditSelectall_Click();
        auto *data = new QMimeData;
        data->setImageData(QImage(2, 2, QImage::Format_RGB32));
        QApplication::clipboard()->setMimeData(data);
        h->w().mnuEditPaste_Click();
        QCOMPARE(h->w().RichTextBox->Text(), QStringLiteral("keep"));
        QCOMPARE(h->w().RichTextBox->SelLength(), 4);
    }

    // Other programs get U+FFFD for a byte's placeholder; cut and pasted inside Penwick, by menu or key, the byte stays.
    void cutAndPasteKeepBytes_data()
    {
        QTest::addColumn<bool>("keys");
        QTest::newRow("Edit > Cut, Edit > Paste") << false;
        QTest::newRow("Ctrl+X, Ctrl+V") << true;
    }
    void cutAndPasteKeepBytes()
    {
        QFETCH(bool, keys);
        const QString path = h->open(QStringLiteral("bad.txt"), "caf\xC3\xA9 \xC3\xBC \xC3\xB6\nbad: \xFF end\nlast\n");
        h->w().RichTextBox->setSelStart(9);
        h->w().RichTextBox->setSelLength(11);
        keys ? type(Qt::Key_X, Qt::ControlModifier) : h->w().mnuEditCut_Click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("bad: \uFFFD end\n"));
        h->w().RichTextBox->setSelStart(h->w().RichTextBox->textLength());
        keys ? type(Qt::Key_V, Qt::ControlModifier) : h->w().mnuEditPaste_Click();
        h->w().mnuFileSave_Click();
        QCOMPARE(Harness::read(path), QByteArray("caf\xC3\xA9 \xC3\xBC \xC3\xB6\nlast\nbad: \xFF end\n"));
        // Text another program put there, even beside a stale copy of ours, is pasted as it is.
        auto *data = new QMimeData;
        data->setText(QStringLiteral("theirs"));
        data->setData(QStringLiteral("application/x-penwick-text"), QByteArray("o\0u\0r\0\xFF\xDC", 8));
        QApplication::clipboard()->setMimeData(data);
        h->w().mnuEditPaste_Click();
        QVERIFY(h->w().RichTextBox->Text().endsWith(QStringLiteral("end\ntheirs")));
    }

    void deleteKeyAndDeleteCommand()
    {
        QTest::keyClicks(doc, QStringLiteral("abc"));
        h->w().RichTextBox->setSelStart(1);
        type(Qt::Key_Delete);
        QCOMPARE(h->w().RichTextBox->Text(), QStringLiteral("ac"));
        h->w().mnuEditDelete_Click();
        QCOMPARE(h->w().RichTextBox->Text(), QStringLiteral("ac"));
        h->w().RichTextBox->setSelLength(1);
        h->w().mnuEditDelete_Click();
        QCOMPARE(h->w().RichTextBox->Text(), QStringLiteral("a"));
    }

    void backspaceTakesWhatTheEyeSeesAsOne_data()
    {
        QTest::addColumn<QString>("text");   // Backspace at its end
        QTest::addColumn<QString>("after");
        QTest::newRow("a family joined with ZWJ") << QString::fromUtf8("a\U0001F469\u200D\U0001F469\u200D\U0001F467") << "a";
        QTest::newRow("a flag") << QString::fromUtf8("a\U0001F1EB\U0001F1F7") << "a";
        QTest::newRow("the second of two flags") << QString::fromUtf8("\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA")
                                                 << QString::fromUtf8("\U0001F1EB\U0001F1F7");
        QTest::newRow("a thumb with its skin tone") << QString::fromUtf8("a\U0001F44D\U0001F3FD") << "a";
        QTest::newRow("a keycap") << QString::fromUtf8("a1\uFE0F\u20E3") << "a";
        QTest::newRow("a character and its variation selector") << QString::fromUtf8("a\u263A\uFE0F") << "a";
        QTest::newRow("a combining mark: the mark alone") << QString::fromUtf8("ae\u0301") << "ae";
        QTest::newRow("a pair outside the emoji") << QString::fromUtf8("a\U0001D49C") << "a";
    }

    void backspaceTakesWhatTheEyeSeesAsOne()
    {
        QFETCH(QString, text);
        QFETCH(QString, after);
        if (qstrcmp(currentTestEngine(), "qt") == 0)
            QSKIP("Qt's widget takes one code point at a time");
        h->w().RichTextBox->setText(text);
        h->w().RichTextBox->setSelStart(int(text.size()));
        type(Qt::Key_Backspace);
        QCOMPARE(h->w().RichTextBox->Text(), after);
    }

    void selectAllOnEmptyDocument()
    {
        h->w().mnuEditSelectall_Click();
        QCOMPARE(h->w().RichTextBox->SelLength(), 0);
        QTest::keyClicks(doc, QStringLiteral("ab"));
        type(Qt::Key_Return);
        QTest::keyClicks(doc, QStringLiteral("c"));
        h->w().mnuEditSelectall_Click();
        QCOMPARE(h->w().RichTextBox->SelLength(), 4);
    }

private:
    void type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(doc, Qt::Key(key), modifiers);
    }
    std::unique_ptr<Harness> h;
    QWidget *doc = nullptr;
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_EditCommands)
#include "tst_editcommands.moc"
