// The application shell: each window owns its own view, model and discovery run.
#include <QComboBox>
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
    void aWindowStaysOpenWhileItScans();

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

}  // namespace scandesk

QTEST_MAIN(scandesk::ShellTest)
#include "shell_test.moc"
