// The application shell: each window owns its own view, model and discovery run.
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "fake_session.h"
#include "test_scanners.h"
#include "ui/kestscanner_app.h"
#include "ui/translations.h"

namespace scandesk {

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void newWindowOpensAnIndependentWindow();
    void closingOneWindowLeavesTheOther();
    void helpOpensTheLogFolderWhenThereIsOne();
    void aWindowStaysOpenWhileItScans();
    void keyboardReachesEveryRow_data();
    void keyboardReachesEveryRow();

  private:
    std::unique_ptr<ScopedTranslations> translations_;
};

void ShellTest::initTestCase() {
    translations_ = std::make_unique<ScopedTranslations>(QLocale("en_US"));
}

void ShellTest::newWindowOpensAnIndependentWindow() {
    testing::FakeSession session;
    session.setFound({testing::officeScanner(), testing::feederScanner()});
    kestscannerApp app(session.viewServices());
    ContentView* first = app.openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QCOMPARE(session.executors.size(), 1u);
    QCOMPARE(first->newWindowAction()->shortcut(), QKeySequence(QKeySequence::New));
    QCOMPARE(first->newWindowAction()->text(), displayText("New Window"));

    first->newWindowAction()->trigger();
    QCOMPARE(app.windows().size(), 2);
    ContentView* second = app.windows().back();
    QVERIFY(second != first);
    QVERIFY(&second->settingView().model() != &first->settingView().model());
    // Each window started its own discovery run on its own executor.
    QCOMPARE(session.executors.size(), 2u);
    QCOMPARE(session.executors[0]->pending(), 1u);
    QCOMPARE(session.executors[1]->pending(), 1u);
    session.runDiscovery();
    QCOMPARE(session.discoveryRuns(), 2);
    auto* firstScanner = first->findChild<QComboBox*>("scanner");
    auto* secondScanner = second->findChild<QComboBox*>("scanner");
    QTRY_COMPARE(firstScanner->count(), 2);
    QTRY_COMPARE(secondScanner->count(), 2);

    // A choice in one window leaves the other alone.
    secondScanner->setCurrentIndex(1);
    second->findChild<QComboBox*>("colorMode")->setCurrentIndex(2);
    QCOMPARE(second->settingView().state().scannerIndex, 1);
    QCOMPARE(first->settingView().state().scannerIndex, 0);
    QCOMPARE(first->settingView().state().colorModeIndex, 0);
    QCOMPARE(second->settingView().model().selectedScanner().name, std::string("Quillon Q7"));
    QCOMPARE(first->settingView().model().selectedScanner().name, std::string("Tessel T3"));

    for (ContentView* window : app.windows()) {
        window->close();
    }
    QTRY_COMPARE(app.windows().size(), 0);
}

void ShellTest::helpOpensTheLogFolderWhenThereIsOne() {
    testing::FakeSession session;
    SettingViewServices services = session.viewServices();
    kestscannerApp withoutLog(services);
    QVERIFY(!withoutLog.openWindow()->openLogFolderAction()->isEnabled());
    services.logFolder = "/var/tmp/scandesk-log";
    kestscannerApp app(services);
    app.openWindow()->openLogFolderAction()->trigger();
    QCOMPARE(session.opened, std::vector<QUrl>{QUrl::fromLocalFile("/var/tmp/scandesk-log")});
    for (kestscannerApp* each : {&withoutLog, &app}) {
        for (ContentView* window : each->windows()) {
            window->close();
        }
        QTRY_COMPARE(each->windows().size(), 0);
    }
}

void ShellTest::closingOneWindowLeavesTheOther() {
    testing::FakeSession session;
    kestscannerApp app(session.viewServices());
    ContentView* first = app.openWindow();
    app.openWindow();
    first->close();
    QTRY_COMPARE(app.windows().size(), 1);
    QVERIFY(app.windows().front()->isVisible());
    app.windows().front()->close();
    QTRY_COMPARE(app.windows().size(), 0);
}

void ShellTest::aWindowStaysOpenWhileItScans() {
    testing::FakeSession session;
    session.setFound({testing::feederScanner()});
    kestscannerApp app(session.viewServices());
    ContentView* window = app.openWindow();
    session.runDiscovery();
    QTRY_COMPARE(window->findChild<QComboBox*>("scanner")->count(), 1);
    session.scanGate.close();
    window->findChild<QPushButton*>("scan")->click();
    QTRY_VERIFY(session.scanGate.arrived());
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    session.scanGate.open();
    QTRY_VERIFY(!window->settingView().scanning());
    QVERIFY(window->close());
    QTRY_COMPARE(app.windows().size(), 0);
}

void ShellTest::keyboardReachesEveryRow_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("English") << "en_US";
    QTest::newRow("Simplified Chinese") << "zh_CN";
}

void ShellTest::keyboardReachesEveryRow() {
    QFETCH(QString, locale);
    const ScopedTranslations translations{QLocale(locale)};
    testing::FakeSession session;
    session.setFound({testing::combiningOfficeScanner()});
    kestscannerApp app(session.viewServices());
    ContentView* window = app.openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), displayText("appTitle"));
    QVERIFY(window->minimumSize().width() >= SettingView::kMinimumWidth);
    QVERIFY(window->minimumSize().height() >= SettingView::kMinimumHeight);

    // Every row label and button has its own mnemonic, and a label's leads to its row.
    QSet<QKeySequence> mnemonics;
    int labelled = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(widget);
        const auto* button = qobject_cast<QPushButton*>(widget);
        if (!label && !button) {
            continue;
        }
        const QString text = label ? label->text() : button->text();
        const QKeySequence key = QKeySequence::mnemonic(text);
        QVERIFY2(!key.isEmpty(), qPrintable(text));
        QVERIFY2(!mnemonics.contains(key), qPrintable(text + " repeats a mnemonic"));
        mnemonics.insert(key);
        labelled += label ? 1 : 0;
        QVERIFY2(!label || label->buddy(), qPrintable(text));
    }
    QCOMPARE(labelled, 11);

    // Tab walks the visible rows top to bottom.
    session.runDiscovery();
    QTRY_COMPARE(window->findChild<QComboBox*>("scanner")->count(), 1);
    window->findChild<QComboBox*>("scanner")->setFocus();
    QStringList visited;
    for (int i = 0; i < 14; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited,
             (QStringList{"scanner", "refreshScanner", "addScannerByAddress", "scanSource",
                          "colorMode", "contenType", "resolution", "combineType", "pageSize",
                          "saveFileType", "rotateAngle", "saveFileName", "saveTo", "browser"}));
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("scan"));

    // Enter in a row scans, as the default button would in a dialog.
    session.scanGate.close();
    window->findChild<QComboBox*>("colorMode")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(session.scanGate.arrived());
    QVERIFY(window->findChild<QPushButton*>("scan")->isDefault());
    session.scanGate.open();
    QTRY_VERIFY(window->settingView().alertBox());
    window->settingView().alertBox()->done(0);
    QTRY_VERIFY(!window->settingView().scanning());
    window->close();
}

}  // namespace scandesk

QTEST_MAIN(scandesk::ShellTest)
#include "shell_test.moc"
