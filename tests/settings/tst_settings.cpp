// Settings over a temporary store: defaults, each value in its live field and effect, garbage falling back.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "settings/frmoptions.h"

#include <csignal>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Twips land on whole pixels: one pixel is the precision of a window size.
#define COMPARE_TWIPS(actual, expected) \
    QCOMPARE(platform::twipsToPixels(actual), platform::twipsToPixels(expected))

using Settings = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(Settings)

namespace {

void startUpHung(int)
{
    const char text[] = "FAIL: start-up still blocked on the settings file after a second\n";
    static_cast<void>(::write(STDERR_FILENO, text, sizeof text - 1));
    ::_exit(1);
}

// Takes the special file away again before the harness clears the store, which would block on it.
struct Removed
{
    QByteArray path;
    ~Removed()
    {
        if (::rmdir(path.constData()) != 0)
            ::unlink(path.constData());
    }
};

}

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void storedValuesTakeEffect()
    {
        Harness h({}, {{"Wrap", "1"}, {"PrntFont", "DejaVu Serif"}, {"PrntFontSize", "10.5"}, {"ScrnFont", "DejaVu Sans Mono"},
                       {"ScrnFontSize", "11"}, {"TabSize", "4"}, {"StatusBar", "0"}, {"Width", "6000"}, {"Height", "5000"}});
        frmOptions &o = frmOptions::instance();
        QVERIFY(h.w().mnuOptionsWordwrap->isChecked());
        QCOMPARE(h.w().RichTextBox->RightMargin(), 0.0f);
        QCOMPARE(o.lblPrinter->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(o.lblPrinter->font().pointSizeF(), 10.5);
        QCOMPARE(h.w().RichTextBox->FontName(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(h.w().RichTextBox->FontSize(), 11.0f);
        QCOMPARE(h.w().RichTextBox->SelTabs(31), 14880.0f);
        QVERIFY(!h.w().StatusBar->Visible());
        COMPARE_TWIPS(h.w().windowWidth(), 6000);
        COMPARE_TWIPS(h.w().windowHeight(), 5000);
        // The bar stays hidden, and its panels are never written.
        h.w().RichTextBox->setSelText(QStringLiteral("abc"));
        QCOMPARE(h.w().StatusBar->panelText(2), QStringLiteral("Col: 1"));
    }

    void emptyOrGarbageGivesDefaults_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::newRow("empty store") << Settings{};
        QTest::newRow("words for numbers") << Settings{{"Wrap", "yes"}, {"StatusBar", "maybe"}, {"Width", "wide"}, {"Height", ""},
                                                       {"Maximised", "x"}, {"ScrnFontSize", "big"}, {"PrntFontSize", "-3"}};
        QTest::newRow("absurd sizes and states") << Settings{{"Wrap", "7"}, {"StatusBar", "-1"}, {"Width", "-5000"}, {"Height", "1e30"},
                                                             {"Maximised", "9"}, {"ScrnFontSize", "0"}, {"PrntFontSize", "nan"}};
        QTest::newRow("empty font names") << Settings{{"ScrnFont", ""}, {"PrntFont", "   "}};
    }

    void emptyOrGarbageGivesDefaults()
    {
        QFETCH(Settings, stored);
        Harness h({}, stored);
        frmOptions &o = frmOptions::instance();
        QCOMPARE(frmOptions::value(o.chkWrap), 0);
        QCOMPARE(frmOptions::value(o.chkStatus), 1);
        QCOMPARE(h.w().WindowState(), 0);
        QCOMPARE(o.lblScreen->font().family(), QStringLiteral("Fixedsys"));
        QCOMPARE(o.lblScreen->font().pointSizeF(), 9.0);
        QCOMPARE(o.lblPrinter->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(o.lblPrinter->font().pointSizeF(), 12.0);
        QVERIFY(h.w().windowWidth() >= 1440 && h.w().windowWidth() <= platform::ScreenWidthTwips());
        QVERIFY(h.w().windowHeight() >= 1440 && h.w().windowHeight() <= platform::ScreenHeightTwips() - 400);
        if (stored.isEmpty()) {
            QVERIFY(!h.w().mnuOptionsWordwrap->isChecked());
            QCOMPARE(o.cboTab->currentText(), QStringLiteral("8"));
            QCOMPARE(h.w().RichTextBox->SelTabs(1), 960.0f);
            QVERIFY(h.w().StatusBar->Visible());
            COMPARE_TWIPS(h.w().windowWidth(), 7470);
            COMPARE_TWIPS(h.w().windowHeight(), 6375);
        }
    }

    void windowIsKeptOnScreen()
    {
        const double screenWidth = platform::ScreenWidthTwips();
        const double screenHeight = platform::ScreenHeightTwips();
        Harness h({}, {{"Width", platform::numberToText(screenWidth + 3000)}, {"Height", platform::numberToText(screenHeight)}});
        COMPARE_TWIPS(h.w().windowWidth(), screenWidth);
        COMPARE_TWIPS(h.w().windowHeight(), screenHeight - 400);
        COMPARE_TWIPS(h.w().windowLeft(), 0);
        COMPARE_TWIPS(h.w().windowTop(), 0);
    }

    void maximisedOpensMaximised()
    {
        Harness h({}, {{"Maximised", "2"}});
        QCOMPARE(h.w().WindowState(), 2);
    }

    void storeThatIsNoFileIsLeftAlone_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("FIFO, no writer ever comes") << int(S_IFIFO);
        QTest::newRow("folder") << int(S_IFDIR);
        QTest::newRow("character device") << int(S_IFCHR);
    }

    // Each row runs again in a child with a private home: a special file in the shared test store
    // would block every other test that opens it, and a child that hangs can be killed.
    void storeThatIsNoFileIsLeftAlone()
    {
        QFETCH(int, type);
        if (!qEnvironmentVariableIsSet("PENWICK_STORE_CHILD")) {
            QTemporaryDir home;
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), home.path());
            env.insert(QStringLiteral("PENWICK_STORE_CHILD"), QStringLiteral("1"));
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("storeThatIsNoFileIsLeftAlone:") + QLatin1String(QTest::currentDataTag())});
            const bool ended = child.waitForFinished(30000);
            if (!ended)
                child.kill();
            const QString said = QString::fromLocal8Bit(child.readAll());
            QVERIFY2(ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(said));
            if (said.contains(QStringLiteral("SKIP ")))
                QSKIP("this system makes no such file here");
            QCOMPARE(said.count(QStringLiteral("is not a regular file; the default settings are used")), 1);
            return;
        }
        Harness h({}, {{"Wrap", "1"}, {"StatusBar", "0"}}, false);
        const QByteArray store = QFile::encodeName(
            QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Penwick"), QStringLiteral("Penwick")).fileName());
        QVERIFY2(store.startsWith(qgetenv("HOME") + '/'), store.constData());
        QCOMPARE(::unlink(store.constData()), 0);
        const int made = type == S_IFDIR ? ::mkdir(store.constData(), 0700)
                                         : ::mknod(store.constData(), mode_t(type) | 0600, makedev(1, 3));
        if (made != 0)
            QSKIP("this system makes no such file here");
        const Removed removed{store};
        ::signal(SIGALRM, startUpHung);
        ::alarm(1);
        h.load();
        ::alarm(0);
        QCOMPARE(frmOptions::value(frmOptions::instance().chkWrap), 0);
        QVERIFY(h.w().StatusBar->Visible());
        platform::SaveSetting(QStringLiteral("Penwick"), QStringLiteral("Options"), QStringLiteral("Wrap"), QStringLiteral("1"));
        struct stat st = {};
        QCOMPARE(::lstat(store.constData(), &st), 0);
        QCOMPARE(int(st.st_mode & S_IFMT), type);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
