// The settings window against a fake session: rows, rules through the widgets, scan
// checks, alerts, the two-pass prompt, discovery states, adding by address, progress.
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <thread>

#include "devices/catalogue.h"
#include "fake_session.h"
#include "support/captured_lines.h"
#include "test_scanners.h"
#include "ui/setting_view.h"
#include "ui/translations.h"

Q_DECLARE_METATYPE(scandesk::SettingState)

namespace scandesk {
namespace {

using testing::FakeSession;
using testing::ScriptedScan;

constexpr int kText = 2;

// Rows from top to bottom, by the object names of their controls.
const QStringList kRowOrder{"scanner",     "scanSource",   "colorMode", "contenType",
                            "resolution",  "combineType",  "pageSize",  "saveFileType",
                            "rotateAngle", "saveFileName", "saveTo"};

}  // namespace

class SettingViewTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithPlaceholderListsAndNoScanner();
    void renderingAtStartShowsTheRowsInOrder();
    void rulesThroughTheWidgets_data();
    void rulesThroughTheWidgets();
    void choosingAScannerKeepsAllButSourceAndResolution();
    void scanChecks_data();
    void scanChecks();
    void refreshButtonShowsTheSearch();
    void aPluggedInScannerIsListed();
    void indicesStayInRangeAfterARefreshFindsFewer_data();
    void indicesStayInRangeAfterARefreshFindsFewer();
    void addingAScannerByAddress_data();
    void addingAScannerByAddress();
    void addressesThatFindNoScanner_data();
    void addressesThatFindNoScanner();
    void folderChooser_data();
    void folderChooser();
    void aPassRunsBehindItsDialogUntilCancelled_data();
    void aPassRunsBehindItsDialogUntilCancelled();
    void promptConfirmationRunsTheSecondPass();
    void otherAlertsOnlyClose();
    void alertShowsItsMessageVerbatim();
    void choicesComeBackAtTheNextStart_data();
    void choicesComeBackAtTheNextStart();

  private:
    QComboBox* chooser(const char* name) const { return view_->findChild<QComboBox*>(name); }
    template <typename Widget = QWidget>
    Widget* control(const char* name) const {
        return view_->findChild<Widget*>(name);
    }
    void discover(std::vector<Device> devices);
    void choose(const QString& name, int listIndex);
    /// Makes each "chooser=list index" choice in order.
    void chooseAll(const QStringList& choices);
    void clickScanAndWaitForAlert();
    QString alertTitle() const;
    QString alertMessage() const;
    void dismissAlert();
    bool rowShown(const char* name) const { return control(name)->isVisibleTo(view_.get()); }

    /// Closes the view and opens a new one on the same session, as a second start.
    void restart();

    std::unique_ptr<ScopedTranslations> translations_;
    std::unique_ptr<FakeSession> session_;
    std::unique_ptr<SettingView> view_;
};

void SettingViewTest::initTestCase() {
    translations_ = std::make_unique<ScopedTranslations>(QLocale("en_US"));
}

void SettingViewTest::init() {
    session_ = std::make_unique<FakeSession>();
    QVERIFY(session_->outputDir.isValid());
    view_ = std::make_unique<SettingView>(session_->viewServices());
    view_->resize(view_->sizeHint());
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
}

void SettingViewTest::cleanup() {
    session_->discoveryGate.open();
    session_->scanGate.open();
    if (view_->alertBox()) {
        view_->alertBox()->done(0);
    }
    QTRY_VERIFY(!view_->scanning());
    view_.reset();
    session_.reset();
}

void SettingViewTest::restart() {
    view_.reset();
    session_->executors.clear();  // went with the view
    view_ = std::make_unique<SettingView>(session_->viewServices());
    view_->show();
}

void SettingViewTest::discover(std::vector<Device> devices) {
    session_->setFound(std::move(devices));
    session_->runDiscovery();
    QTRY_VERIFY(!view_->model().isFinding());
    QCoreApplication::processEvents();
}

void SettingViewTest::choose(const QString& name, int listIndex) {
    QComboBox* box = view_->findChild<QComboBox*>(name);
    QVERIFY2(box, qPrintable(name));
    const int row = box->findData(listIndex);
    QVERIFY2(row >= 0, qPrintable(name + " does not list " + QString::number(listIndex)));
    box->setCurrentIndex(row);
}

void SettingViewTest::chooseAll(const QStringList& choices) {
    for (const QString& choice : choices) {
        const QStringList parts = choice.split('=');
        choose(parts[0], parts[1].toInt());
    }
}

void SettingViewTest::clickScanAndWaitForAlert() {
    QTest::mouseClick(control<QPushButton>("scan"), Qt::LeftButton);
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
}

QString SettingViewTest::alertTitle() const {
    return view_->alertBox()->windowTitle();
}

QString SettingViewTest::alertMessage() const {
    return view_->alertBox()->informativeText();
}

void SettingViewTest::dismissAlert() {
    QPointer<QMessageBox> box = view_->alertBox();
    QVERIFY(box);
    auto* ok = box->findChild<QPushButton*>("ok");
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTRY_VERIFY(!box);
}

void SettingViewTest::startsWithPlaceholderListsAndNoScanner() {
    const SettingState& state = view_->state();
    SettingState expected;
    expected.saveDir = session_->outputDir.path().toStdString();
    QCOMPARE(state, expected);
    QCOMPARE(chooser("scanner")->count(), 0);
    QCOMPARE(chooser("scanSource")->itemText(2), displayText("FB"));
    QCOMPARE(chooser("scanSource")->count(), 3);
    // AUTO hides "4R" from the six placeholder sizes.
    QCOMPARE(chooser("pageSize")->count(), 5);
    QCOMPARE(chooser("resolution")->itemText(0), QString("200dpi"));
    QCOMPARE(chooser("saveFileType")->itemText(0), displayText("JPEG"));
    QCOMPARE(control<QLineEdit>("saveFileName")->text(), QString("file"));
    QCOMPARE(view_->minimumSize(), QSize(350, 400));
    QCOMPARE(view_->maximumSize(), QSize(750, 600));
    QCOMPARE(view_->sizeHint(), QSize(450, 400));

    clickScanAndWaitForAlert();
    QCOMPARE(alertTitle(), displayText("error"));
    QCOMPARE(alertMessage(), displayText("noScannerFound"));
    QCOMPARE(view_->alertBox()->text(), "<b>" + displayText("error") + "</b>");
    QCOMPARE(view_->alertBox()->findChild<QPushButton*>("ok")->text(), displayText("ok"));
    QVERIFY(view_->alertBox()->findChild<QPushButton*>("stop")->isHidden());
    dismissAlert();
    QTRY_VERIFY(!view_->model().showAlert());
}

void SettingViewTest::aPluggedInScannerIsListed() {
    // A bus on which one of the maker's scanners is present when the window opens.
    const BaseDevice& row = IDDevice().at(1);
    session_->usbWatch = [&row](Executor& queue, UsbDeviceListHandler handler) {
        queue.post([&row, handler] {
            handler(kUsbDeviceArrived, UsbService{kMakerVendorId, row.PID, 1, 2});
        });
        return std::unique_ptr<UsbDeviceListObserver>();
    };
    restart();
    QTRY_COMPARE(chooser("scanner")->count(), 1);
    QCOMPARE(chooser("scanner")->itemText(0), QString::fromStdString(row.name));
}

void SettingViewTest::renderingAtStartShowsTheRowsInOrder() {
    const QImage image = view_->grab().toImage();
    QCOMPARE(image.size(), view_->size() * image.devicePixelRatio());
    auto* form = view_->findChild<QFormLayout*>();
    QVERIFY(form);
    int previousTop = -1;
    for (const QString& name : kRowOrder) {
        QWidget* field = view_->findChild<QWidget*>(name);
        QVERIFY2(field, qPrintable(name));
        if (name == "combineType") {
            // The placeholder device cannot combine: its row stays away.
            QVERIFY(!field->isVisibleTo(view_.get()));
            continue;
        }
        QWidget* rowField = name == "scanner" || name == "saveTo" ? field->parentWidget() : field;
        auto* label = qobject_cast<QLabel*>(form->labelForField(rowField));
        QVERIFY2(label && label->isVisibleTo(view_.get()), qPrintable(name));
        QCOMPARE(label->text(), displayText(name.toStdString()));
        const QRect area(field->mapTo(view_.get(), QPoint(0, 0)), field->size());
        QVERIFY2(view_->rect().contains(area), qPrintable(name));
        QVERIFY2(area.top() > previousTop, qPrintable(name + " is out of order"));
        previousTop = area.top();
        // Something is drawn there: a control is never one flat colour.
        const QRect labelArea(label->mapTo(view_.get(), QPoint(0, 0)), label->size());
        for (const QRect& drawn : {area, labelArea}) {
            QSet<QRgb> colours;
            const QImage part = image.copy(QRect(drawn.topLeft() * image.devicePixelRatio(),
                                                 drawn.size() * image.devicePixelRatio()));
            for (int y = 0; y < part.height(); y += 2) {
                for (int x = 0; x < part.width(); x += 2) {
                    colours.insert(part.pixel(x, y));
                }
            }
            QVERIFY2(colours.size() > 2, qPrintable(name + " is not drawn"));
        }
    }
    QVERIFY(control("scan")->isVisibleTo(view_.get()));
    QVERIFY(control("browser")->isVisibleTo(view_.get()));
    QVERIFY(control("scan")->mapTo(view_.get(), QPoint(0, 0)).y() > previousTop);
}

void SettingViewTest::rulesThroughTheWidgets_data() {
    QTest::addColumn<QString>("scanner");
    QTest::addColumn<QStringList>("choices");  // "chooser=list index", in order
    QTest::addColumn<SettingState>("expected");
    QTest::addColumn<QString>("shown");    // optional rows on screen
    QTest::addColumn<QString>("enabled");  // of scanSource, pageSize, saveFileType
    const auto state = testing::stateWith;
    QTest::newRow("a feeder shows no combination row")
        << "feeder" << QStringList{} << state(0, 0, 0, 0, 0, 0, 0) << "rotateAngle saveFileName"
        << "scanSource pageSize saveFileType";
    QTest::newRow("ID card on three sources selects FB and locks the source")
        << "combining" << QStringList{"pageSize=3", "combineType=3"} << state(0, 2, 0, 0, 0, 0, 3)
        << "combineType saveFileName"
        << "saveFileType";
    QTest::newRow("ID card on a scanner without FB keeps its source")
        << "twoSource" << QStringList{"scanSource=1", "combineType=3"} << state(0, 1, 0, 0, 0, 0, 3)
        << "combineType saveFileName"
        << "saveFileType";
    QTest::newRow("back to no combining changes nothing else")
        << "combining" << QStringList{"colorMode=2", "combineType=3", "combineType=0"}
        << state(kText, 2, 0, 0, 1, 0, 0) << "combineType"
        << "scanSource pageSize saveFileType";
    QTest::newRow("ID card on a flatbed-only scanner keeps source 0")
        << "flatbed" << QStringList{"combineType=3"} << state(0, 0, 0, 0, 0, 0, 3)
        << "combineType saveFileName"
        << "saveFileType";
    QTest::newRow("any combination resets and locks the page size")
        << "flatbed" << QStringList{"pageSize=4", "rotateAngle=1", "combineType=2"}
        << state(0, 0, 0, 0, 0, 1, 2) << "combineType saveFileName"
        << "scanSource saveFileType";
    QTest::newRow("TEXT then combining forces PDF and locks the file type")
        << "flatbed" << QStringList{"rotateAngle=2", "colorMode=2", "combineType=1"}
        << state(kText, 0, 0, 0, 1, 0, 1) << "combineType"
        << "scanSource";
    QTest::newRow("combining then TEXT forces PDF too")
        << "flatbed" << QStringList{"combineType=1", "colorMode=2"}
        << state(kText, 0, 0, 0, 1, 0, 1) << "combineType"
        << "scanSource";
    QTest::newRow("TEXT alone hides the rotation, BMP stays possible")
        << "feeder" << QStringList{"rotateAngle=3", "colorMode=2"} << state(kText, 0, 0, 0, 0, 0, 0)
        << "saveFileName"
        << "scanSource pageSize saveFileType";
    QTest::newRow("PDF hides the file name")
        << "feeder" << QStringList{"saveFileType=1"} << state(0, 0, 0, 0, 1, 0, 0) << "rotateAngle"
        << "scanSource pageSize saveFileType";
    QTest::newRow("FB to ADF resets resolution and page size")
        << "office" << QStringList{"scanSource=2", "resolution=3", "pageSize=7", "scanSource=1"}
        << state(0, 1, 0, 0, 0, 0, 0) << "rotateAngle saveFileName"
        << "scanSource pageSize saveFileType";
    QTest::newRow("ADF to FB keeps resolution and page size")
        << "office" << QStringList{"scanSource=1", "resolution=2", "pageSize=3", "scanSource=2"}
        << state(0, 2, 2, 3, 0, 0, 0) << "rotateAngle saveFileName"
        << "scanSource pageSize saveFileType";
    QTest::newRow("ADF to FB moves off Legal, which FB does not list")
        << "office" << QStringList{"scanSource=1", "pageSize=6", "scanSource=2"}
        << state(0, 2, 0, 0, 0, 0, 0) << "rotateAngle saveFileName"
        << "scanSource pageSize saveFileType";
}

void SettingViewTest::rulesThroughTheWidgets() {
    QFETCH(QString, scanner);
    QFETCH(QStringList, choices);
    QFETCH(SettingState, expected);
    QFETCH(QString, shown);
    QFETCH(QString, enabled);
    discover({testing::scannerNamed(scanner)});
    chooseAll(choices);
    expected.saveDir = view_->state().saveDir;
    QCOMPARE(view_->state(), expected);
    for (const char* optional : {"combineType", "rotateAngle", "saveFileName"}) {
        QCOMPARE(rowShown(optional), shown.split(' ').contains(optional));
    }
    for (const char* name : {"scanSource", "pageSize", "saveFileType"}) {
        QCOMPARE(control(name)->isEnabled(), enabled.split(' ').contains(name));
    }
    // Every chooser shows the entry its index stands for.
    QCOMPARE(chooser("pageSize")->currentData().toInt(), expected.pageSizeIndex);
    QCOMPARE(chooser("scanSource")->currentIndex(), expected.scanSourceIndex);
    QCOMPARE(chooser("saveFileType")->currentIndex(), expected.saveTypeIndex);
    QCOMPARE(chooser("saveFileType")->itemText(0),
             displayText(expected.colorModeIndex == kText ? "BMP" : "JPEG"));
}

void SettingViewTest::choosingAScannerKeepsAllButSourceAndResolution() {
    const Device office = testing::officeScanner();
    const Device feeder = testing::feederScanner();
    discover({office, feeder});
    QCOMPARE(view_->model().selectedScanner().id, office.id);
    chooseAll({"colorMode=1", "scanSource=2", "resolution=3", "pageSize=3", "saveFileType=1",
               "rotateAngle=2"});
    testing::CapturedLines lines;
    choose("scanner", 1);
    QCOMPARE(view_->model().selectedScanner().id, feeder.id);
    QVERIFY(lines.contains("scanner changed and selected scanner is: Quillon Q7"));
    QVERIFY(lines.contains(
        "scanner changed and selected scanner scan source is: [\"AUTO\", \"ADF\", \"FB\"]"));
    const SettingState& state = view_->state();
    QCOMPARE(state.scannerIndex, 1);
    QCOMPARE(state.scanSourceIndex, 0);
    QCOMPARE(state.resolutionIndex, 0);
    QCOMPARE(state.colorModeIndex, 1);
    QCOMPARE(state.pageSizeIndex, 3);
    QCOMPARE(state.saveTypeIndex, 1);
    QCOMPARE(state.rotateAngleIndex, 2);
    QCOMPARE(chooser("resolution")->count(), 3);
}

void SettingViewTest::scanChecks_data() {
    QTest::addColumn<QString>("saveDir");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("saveType");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty output folder") << ""
                                         << "file" << 0 << "noSaveDir";
    QTest::newRow("empty file name") << "/tmp"
                                     << "" << 0 << "noSaveFileName";
    QTest::newRow("empty file name with PDF, row hidden") << "/tmp"
                                                          << "" << 1 << "noSaveFileName";
}

void SettingViewTest::scanChecks() {
    QFETCH(QString, saveDir);
    QFETCH(QString, prefix);
    QFETCH(int, saveType);
    QFETCH(QString, message);
    discover({testing::feederScanner()});
    control<QLineEdit>("saveTo")->clear();
    QTest::keyClicks(control<QLineEdit>("saveTo"), saveDir);
    control<QLineEdit>("saveFileName")->clear();
    QTest::keyClicks(control<QLineEdit>("saveFileName"), prefix);
    choose("saveFileType", saveType);
    QCOMPARE(rowShown("saveFileName"), saveType == 0);
    clickScanAndWaitForAlert();
    QCOMPARE(alertTitle(), displayText("error"));
    QCOMPARE(alertMessage(), displayText(message.toStdString()));
    QVERIFY(session_->scannedParams().empty());
}

void SettingViewTest::refreshButtonShowsTheSearch() {
    auto* refresh = control<QPushButton>("refreshScanner");
    discover({testing::feederScanner()});
    QCOMPARE(refresh->text(), displayText("refreshScanner"));
    QVERIFY(refresh->isEnabled());

    session_->discoveryGate.close();
    QTest::mouseClick(refresh, Qt::LeftButton);
    std::thread worker([this] { session_->runDiscovery(); });
    QTRY_COMPARE(refresh->text(), displayText("Searching..."));
    QVERIFY(!refresh->isEnabled());
    // The old list is gone while the search runs: there is nothing to scan with.
    QCOMPARE(chooser("scanner")->count(), 0);
    clickScanAndWaitForAlert();
    QCOMPARE(alertMessage(), displayText("noScannerFound"));
    dismissAlert();
    session_->setFound({testing::officeScanner(), testing::flatbedScanner()});
    session_->discoveryGate.open();
    worker.join();
    QTRY_COMPARE(refresh->text(), displayText("refreshScanner"));
    QVERIFY(refresh->isEnabled());
    QCOMPARE(chooser("scanner")->count(), 2);
    QCOMPARE(chooser("scanner")->currentText(), QString("Tessel T3(192.0.2.10)"));
}

void SettingViewTest::indicesStayInRangeAfterARefreshFindsFewer_data() {
    QTest::addColumn<int>("scannerChosen");
    QTest::newRow("the first scanner was chosen") << 0;
    QTest::newRow("the last scanner was chosen") << 2;
}

void SettingViewTest::indicesStayInRangeAfterARefreshFindsFewer() {
    QFETCH(int, scannerChosen);
    discover({testing::combiningOfficeScanner(), testing::feederScanner(),
              testing::combiningOfficeScanner()});
    choose("scanner", scannerChosen);
    chooseAll({"scanSource=2", "resolution=3", "pageSize=7", "combineType=0"});
    QTest::mouseClick(control<QPushButton>("refreshScanner"), Qt::LeftButton);
    Device feeder = testing::feederScanner();
    feeder.paperSize = {"A4", "A5"};
    discover({feeder});
    const SettingState& state = view_->state();
    QCOMPARE(state.scannerIndex, 0);
    for (const char* name : {"scanner", "scanSource", "colorMode", "contenType", "resolution",
                             "pageSize", "saveFileType", "rotateAngle"}) {
        QVERIFY2(chooser(name)->currentIndex() >= 0, name);
    }
    QVERIFY(state.pageSizeIndex < 2);
    // The session accepts every index as it stands.
    QVERIFY(view_->model().setScanParameter(makeUIParams(state, feeder.name)).has_value());
}

void SettingViewTest::addingAScannerByAddress_data() {
    QTest::addColumn<QString>("model");  // chosen in the dialog; empty: ask the scanner
    QTest::newRow("the scanner says which model it is") << "";
    QTest::newRow("the model chosen for a scanner that does not say") << "Brisk B4 Net";
}

void SettingViewTest::addingAScannerByAddress() {
    QFETCH(QString, model);
    discover({testing::feederScanner()});
    Device remote = testing::flatbedScanner();
    remote.ip = "198.51.100.7";
    remote.label = "Brisk B4 Net(198.51.100.7)";
    if (model.isEmpty()) {
        session_->addIdentifiable(remote);
    }
    session_->addressAnswer = ScannerAddress{" 198.51.100.7 ", model};
    choose("scanSource", 2);
    QTest::mouseClick(control<QToolButton>("addScannerByAddress"), Qt::LeftButton);
    // Only a scanner asked for its model needs the background.
    QCOMPARE(session_->executors.front()->pending(), model.isEmpty() ? 1u : 0u);
    session_->runDiscovery();
    QTRY_COMPARE(chooser("scanner")->count(), 2);
    QTRY_COMPARE(chooser("scanner")->currentText(), QString::fromStdString(remote.label));
    QCOMPARE(view_->model().selectedScanner().ip, remote.ip);
    QCOMPARE(view_->state().scannerIndex, 1);
    QCOMPARE(view_->state().scanSourceIndex, 0);
    QVERIFY(rowShown("combineType"));
    QVERIFY(!view_->alertBox());
}

void SettingViewTest::addressesThatFindNoScanner_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("wellFormed");
    QTest::newRow("nothing answers there") << "192.0.2.99" << true;
    QTest::newRow("not an address") << "scanner.local" << false;
    QTest::newRow("an octet past 255") << "192.0.2.300" << false;
}

void SettingViewTest::addressesThatFindNoScanner() {
    QFETCH(QString, answer);
    QFETCH(bool, wellFormed);
    discover({testing::feederScanner()});
    session_->addressAnswer = ScannerAddress{answer, {}};
    QTest::mouseClick(control<QToolButton>("addScannerByAddress"), Qt::LeftButton);
    QCOMPARE(session_->executors.front()->pending(), wellFormed ? 1u : 0u);
    session_->runDiscovery();
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
    QCOMPARE(alertTitle(), displayText("error"));
    if (!wellFormed) {
        QCOMPARE(alertMessage(), displayText("invalidAddress"));
    } else {
        QVERIFY2(alertMessage().contains(answer), qPrintable(alertMessage()));
    }
    QCOMPARE(chooser("scanner")->count(), 1);
}

void SettingViewTest::folderChooser_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("saveDir");
    QTest::newRow("cancelled") << false << ""
                               << "";
    QTest::newRow("confirmed without a location") << true << ""
                                                  << "<none>";
    QTest::newRow("a folder") << true << "/srv/scans"
                              << "/srv/scans";
}

void SettingViewTest::folderChooser() {
    QFETCH(bool, confirmed);
    QFETCH(QString, answer);
    QFETCH(QString, saveDir);
    const QString before = control<QLineEdit>("saveTo")->text();
    const QString expected = saveDir.isEmpty() ? before : saveDir;
    if (confirmed) {
        session_->folderAnswer = answer;
    }
    testing::CapturedLines lines;
    QTest::mouseClick(control<QPushButton>("browser"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(view_->state().saveDir), expected);
    QCOMPARE(control<QLineEdit>("saveTo")->text(), expected);
    QCOMPARE(lines.contains("select file path = " + expected.toStdString()), confirmed);
}

void SettingViewTest::aPassRunsBehindItsDialogUntilCancelled_data() {
    QTest::addColumn<bool>("secondPass");
    QTest::addColumn<QString>("way");  // how the user asks to stop
    QTest::newRow("first pass, Cancel button") << false << "button";
    QTest::newRow("first pass, Escape") << false << "escape";
    QTest::newRow("second pass, the dialog's close button") << true << "close";
}

void SettingViewTest::aPassRunsBehindItsDialogUntilCancelled() {
    QFETCH(bool, secondPass);
    QFETCH(QString, way);
    discover({testing::flatbedScanner()});
    if (secondPass) {
        choose("combineType", 1);
        clickScanAndWaitForAlert();
        QVERIFY(view_->model().alertAsksForSecondPass());
        session_->scanGate.close();
        dismissAlert();
    } else {
        session_->queueScan(ScriptedScan{3});
        session_->scanGate.close();
        QTest::mouseClick(control<QPushButton>("scan"), Qt::LeftButton);
    }
    QTRY_VERIFY(view_->progressDialog() && view_->progressDialog()->isVisible());
    ScanProgressDialog* dialog = view_->progressDialog();
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    const int shown = secondPass ? 1 : 3;
    QTRY_VERIFY(dialog->findChild<QLabel*>("scanStatus")->text().endsWith(QString::number(shown)));
    // The window still answers, and another scan cannot start meanwhile.
    QTest::mouseClick(control<QPushButton>("scan"), Qt::LeftButton);
    QVERIFY(!view_->alertBox());
    auto* cancel = dialog->findChild<QPushButton*>("cancelScan");
    if (way == "button") {
        QTest::mouseClick(cancel, Qt::LeftButton);
    } else if (way == "escape") {
        QTest::keyClick(dialog, Qt::Key_Escape);
    } else {
        dialog->close();
    }
    QVERIFY(!cancel->isEnabled());
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
    QVERIFY(!view_->progressDialog());
    QCOMPARE(session_->scannedParams().size(), secondPass ? 2u : 1u);
    QCOMPARE(alertTitle(), displayText("info"));
    QVERIFY2(alertMessage().startsWith(displayText("scanCancelled")), qPrintable(alertMessage()));
    // The first pass's page is kept with the second's.
    QVERIFY(alertMessage().contains(QString::number(secondPass ? 2 : 3)));
    QVERIFY(view_->alertBox()->findChild<QPushButton*>("openFolder")->isHidden());
}

void SettingViewTest::promptConfirmationRunsTheSecondPass() {
    discover({testing::flatbedScanner()});
    choose("combineType", 1);
    session_->queueScan(ScriptedScan{1});
    session_->queueScan(ScriptedScan{1});
    clickScanAndWaitForAlert();
    QCOMPARE(alertTitle(), displayText("info"));
    QVERIFY(view_->model().alertAsksForSecondPass());
    QCOMPARE(session_->scannedParams().size(), 1u);
    dismissAlert();
    QTRY_COMPARE(session_->scannedParams().size(), 2u);
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
    QCOMPARE(alertMessage(), displayText("二合一扫描流程结束"));
    const auto params = session_->scannedParams();
    QVERIFY(!params[0].isSecondScan);
    QVERIFY(params[1].isSecondScan);
    QCOMPARE(params[1].combineType, std::string("CombinHorizontal"));
    QCOMPARE(params[1].filePath, params[0].filePath);
}

void SettingViewTest::alertShowsItsMessageVerbatim() {
    const std::string message = "a <b>\"quoted\"</b> & <none>";
    view_->model().raiseAlert("info", message);
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
    auto* label = view_->alertBox()->findChild<QLabel*>("qt_msgbox_informativelabel");
    QVERIFY(label);
    QCOMPARE(label->text(), QString::fromStdString(message));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(alertTitle(), displayText("info"));
    dismissAlert();
}

void SettingViewTest::otherAlertsOnlyClose() {
    // A prompt left with "stop", then an error without that choice: neither scans again.
    discover({testing::flatbedScanner()});
    choose("combineType", 1);
    session_->queueScan(ScriptedScan{1});
    clickScanAndWaitForAlert();
    QPointer<QMessageBox> prompt = view_->alertBox();
    auto* stop = prompt->findChild<QPushButton*>("stop");
    QVERIFY(stop && stop->isVisible());
    QTest::mouseClick(stop, Qt::LeftButton);
    QTRY_VERIFY(!prompt);
    choose("combineType", 0);
    session_->queueScan(ScriptedScan{0, ScanCode::noPaperInADF});
    clickScanAndWaitForAlert();
    QCOMPARE(alertTitle(), displayText("error"));
    QCOMPARE(alertMessage(), displayText("noPaperInADF"));
    QVERIFY(view_->alertBox()->findChild<QPushButton*>("stop")->isHidden());
    dismissAlert();
    QTest::qWait(50);
    QCOMPARE(session_->scannedParams().size(), 2u);
    QVERIFY(!view_->scanning());
    QVERIFY(!view_->model().showAlert());
}

void SettingViewTest::choicesComeBackAtTheNextStart_data() {
    QTest::addColumn<QByteArray>("file");  // the settings file at the next start; empty:
                                           // as the last window left it
    QTest::addColumn<SettingState>("expected");
    QTest::addColumn<int>("scanner");
    const auto state = testing::stateWith;
    QTest::newRow("as the last window left them")
        << QByteArray() << state(1, 2, 3, 0, 0, 2, 2) << 1;
    QTest::newRow("indices the scanner does not offer fall back")
        << QByteArray(
               "[scanner]\nname=Quillon Q7\ntype=USB\naddress=\n[options]\n"
               "scanSource=9\nresolution=9\npageSize=99\ncombineType=3\ncolorMode=-1\n"
               "rotateAngle=abc\n")
        << state(0, 0, 0, 0, 0, 0, 0) << 0;
    QTest::newRow("black-and-white combining keeps to PDF")
        << QByteArray(
               "[scanner]\nname=Tessel T3\ntype=Net\naddress=192.0.2.10\n[options]\n"
               "colorMode=2\ncombineType=1\nsaveType=0\nrotateAngle=3\npageSize=4\n")
        << state(kText, 0, 0, 0, 1, 0, 1) << 1;
    QTest::newRow("a scanner no longer found: the first, options kept where offered")
        << QByteArray(
               "[scanner]\nname=Gone G1\ntype=Net\naddress=192.0.2.99\n[options]\n"
               "colorMode=1\npageSize=4\n")
        << state(1, 0, 0, 4, 0, 0, 0) << 0;
    QTest::newRow("a corrupt file gives the defaults")
        << QByteArray("\x00\xff[[[\x01garbage=\n\xfe", 12) << SettingState{} << 0;
}

void SettingViewTest::choicesComeBackAtTheNextStart() {
    QFETCH(QByteArray, file);
    QFETCH(SettingState, expected);
    QFETCH(int, scanner);
    const std::vector<Device> found{testing::feederScanner(), testing::combiningOfficeScanner(),
                                    testing::flatbedScanner()};
    const QString folder = session_->outputDir.filePath("scans");
    if (file.isEmpty()) {
        discover(found);
        choose("scanner", 1);
        chooseAll(
            {"colorMode=1", "scanSource=2", "resolution=3", "rotateAngle=2", "combineType=2"});
        control<QLineEdit>("saveTo")->setText(folder);
        control<QLineEdit>("saveFileName")->setText("receipt");
        expected.saveDir = folder.toStdString();
        expected.savePrefix = "receipt";
    } else {
        QFile settings(session_->settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(file);
        settings.close();
        expected.saveDir = session_->outputDir.path().toStdString();
    }
    restart();
    QCOMPARE(QString::fromStdString(view_->state().saveDir),
             QString::fromStdString(expected.saveDir));
    discover(found);
    expected.scannerIndex = scanner;
    QCOMPARE(view_->state(), expected);
    QCOMPARE(view_->model().selectedScanner().name, found[scanner].name);
    QCOMPARE(chooser("scanner")->currentIndex(), scanner);
    QCOMPARE(chooser("pageSize")->currentData().toInt(), expected.pageSizeIndex);
}

}  // namespace scandesk

QTEST_MAIN(scandesk::SettingViewTest)
#include "setting_view_test.moc"
