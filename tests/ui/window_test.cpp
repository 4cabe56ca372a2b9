// The settings window wired to its rules and its model, against the scripted session:
// choosers and rows follow a choice, Scan checks first and hands the choices over, a
// failed second pass is offered again or stopped, the choices come back at the next start;
// windows of the application are independent and one that scans stays open. Then against
// the real session core and the virtual scanner on loopback: thumbnails as the pages
// arrive, Cancel, and the PDF a finished scan offers to open.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <memory>

#include "child_process.h"
#include "fake_session.h"
#include "imaging/page_files.h"
#include "session/two_pass_prompt.h"
#include "ui/kestscanner_app.h"
#include "ui/setting_view.h"
#include "ui/translations.h"

namespace scandesk {

// How long the virtual scanner may take for a few pages, with sanitizers on.
constexpr int kScanTimeoutMs = 20000;

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { translations_ = std::make_unique<ScopedTranslations>(QLocale("en_US")); }
    void init();
    void cleanup();
    void choosersRowsAndScanFollowTheChoices();
    void aFailedSecondPassIsOfferedAgainOrStopped_data();
    void aFailedSecondPassIsOfferedAgainOrStopped();
    void choicesComeBackAtTheNextStart_data();
    void choicesComeBackAtTheNextStart();
    void windowsAreIndependentAndOneScanningStaysOpen();
    void cancelEndsASilentScanAndKeepsItsPages();
    void aFinishedPdfScanOffersThePdf();
    void reviewedPagesAreFixedWithKeysThenSaved();
    void aReviewedScanMarksItsBlankPages();

  private:
    // A window that scans for review, as PDF, from a virtual scanner run with `args`; its
    // document lives in `state`.
    std::unique_ptr<ContentView> reviewWindow(std::vector<std::string> args,
                                              const QTemporaryDir& state) {
        scanner_ = std::make_unique<testing::VirtualScanner>(std::move(args));
        session_->realScannerPort = scanner_->port();
        SettingViewServices services = session_->viewServices();
        services.claimDocumentFolder = [path = state.path().toStdString()] {
            return DocumentFolderClaim::claim(path);
        };
        services.reviewForRun = true;
        services.startScanner = ScannerAddress{"127.0.0.1", "Tessel T3"};
        auto window = std::make_unique<ContentView>(services, [] {});
        window->show();
        auto* fileType = window->findChild<QComboBox*>("saveFileType");
        fileType->setCurrentIndex(fileType->findData(int(FileType::pdf)));
        return window;
    }
    QComboBox* chooser(const char* name) const { return view_->findChild<QComboBox*>(name); }
    bool rowShown(const char* name) const {
        return view_->findChild<QWidget*>(name)->isVisibleTo(view_.get());
    }
    void choose(const char* name, int listIndex) {
        chooser(name)->setCurrentIndex(chooser(name)->findData(listIndex));
    }
    /// Opens a view on the session (again), as the application starts.
    void start();
    /// A view whose only scanner is the virtual scanner run with `options`.
    void startWithVirtualScanner(const std::vector<std::string>& options);
    void discover(std::vector<Device> devices);
    void press(QWidget* parent, const char* button) {
        parent->findChild<QPushButton*>(button)->click();
    }
    void waitForAlert() { QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible()); }
    bool alertOffersStop() const {
        return view_->alertBox()->findChild<QPushButton*>("stop")->isVisible();
    }

    std::unique_ptr<ScopedTranslations> translations_;
    std::unique_ptr<testing::VirtualScanner> scanner_;
    std::unique_ptr<testing::FakeSession> session_;
    std::unique_ptr<SettingView> view_;
    // The office scanner that also combines, so every row can show.
    Device combiningOffice_ = testing::networkScanner("Tessel T3");
};

void WindowTest::init() {
    combiningOffice_.supportCombine = true;
    session_ = std::make_unique<testing::FakeSession>();
    start();
}

void WindowTest::cleanup() {
    session_->record->holdScans(false);
    if (view_->alertBox()) {
        view_->alertBox()->done(0);
    }
    QTRY_VERIFY(!view_->scanning());
    view_.reset();
    session_.reset();
    scanner_.reset();
}

void WindowTest::start() {
    view_.reset();
    session_->executors.clear();  // went with the view
    view_ = std::make_unique<SettingView>(session_->viewServices());
    view_->show();
}

void WindowTest::startWithVirtualScanner(const std::vector<std::string>& options) {
    scanner_ = std::make_unique<testing::VirtualScanner>(options);
    session_->realScannerPort = scanner_->port();
    start();
    discover({testing::networkScanner("Tessel T3", "127.0.0.1")});
}

void WindowTest::discover(std::vector<Device> devices) {
    session_->found = std::move(devices);
    session_->runDiscovery();
    QTRY_COMPARE(chooser("scanner")->count(), static_cast<int>(session_->found.size()));
}

void WindowTest::choosersRowsAndScanFollowTheChoices() {
    // Before discovery lists a scanner, Scan only says there is none.
    press(view_.get(), "scan");
    waitForAlert();
    QCOMPARE(view_->alertBox()->informativeText(), displayText("noScannerFound"));
    QVERIFY(!alertOffersStop());
    press(view_->alertBox(), "ok");
    QTRY_VERIFY(!view_->alertBox());

    discover({combiningOffice_});
    QVERIFY(rowShown("combineType") && rowShown("rotateAngle") && rowShown("saveFileName"));
    QTest::keyClicks(view_->findChild<QLineEdit*>("saveFileName"), "-id");
    choose("combineType", 3);  // the ID card goes on the flatbed
    QCOMPARE(chooser("scanSource")->currentText(), displayText("FB"));
    QVERIFY(!chooser("scanSource")->isEnabled() && !chooser("pageSize")->isEnabled());
    QVERIFY(chooser("pageSize")->findData(int(PageSize::photo4R)) >= 0);  // for the flatbed only
    QVERIFY(!rowShown("rotateAngle"));
    choose("colorMode", 2);
    QCOMPARE(chooser("saveFileType")->itemText(0), displayText("BMP"));
    QCOMPARE(chooser("saveFileType")->currentText(), displayText("PDF"));
    QVERIFY(!rowShown("saveFileName"));

    session_->record->scans = {{1}};
    press(view_.get(), "scan");
    waitForAlert();
    const ScanParam param = session_->scanned().at(0);
    QCOMPARE(std::tie(param.source, param.mode, param.combine),
             std::tuple(ScanSource::flatbed, ColorMode::blackWhite, CombineType::idCard));
    QCOMPARE(session_->record->storedFiles.at(0),
             view_->model().receiveDir() + "/file-id-0001.jpg");
}

void WindowTest::aFailedSecondPassIsOfferedAgainOrStopped_data() {
    QTest::addColumn<bool>("again");
    QTest::newRow("the pass again") << true;
    QTest::newRow("stop") << false;
}

void WindowTest::aFailedSecondPassIsOfferedAgainOrStopped() {
    QFETCH(bool, again);
    discover({testing::networkScanner("Brisk B4 Net")});
    choose("combineType", 1);
    session_->record->scans = {{1}, {0, ScanCode::paperJunck}, {1}};
    press(view_.get(), "scan");
    waitForAlert();
    QVERIFY(alertOffersStop());
    press(view_->alertBox(), "ok");
    QTRY_COMPARE(session_->scanned().size(), 2u);
    waitForAlert();
    QCOMPARE(view_->alertBox()->windowTitle(), displayText("error"));
    QVERIFY(alertOffersStop());
    press(view_->alertBox(), again ? "ok" : "stop");
    QTRY_VERIFY(!view_->alertBox());
    QCoreApplication::processEvents();
    if (again) {
        QTRY_COMPARE(session_->scanned().size(), 3u);
        waitForAlert();
        QCOMPARE(view_->alertBox()->informativeText(), displayText(kTwoPassDoneKey));
        // The second side is page 2 beside the first.
        const auto& files = session_->record->storedFiles;
        QCOMPARE(files.size(), 2u);
        QCOMPARE(files[1], files[0].substr(0, files[0].size() - 8) + "0002.jpg");
    } else {
        QVERIFY(!view_->scanning());
        QCOMPARE(session_->scanned().size(), 2u);
    }
}

void WindowTest::choicesComeBackAtTheNextStart_data() {
    QTest::addColumn<QByteArray>("file");  // at the next start; none: as the last window left it
    // scanner row, colour mode, source, resolution, page size, file type, rotation, combination,
    // blank pages, straightening, turning upright
    QTest::addColumn<QString>("expected");
    QTest::newRow("as the last window left them")
        << QByteArray() << "1 GRAY256 FB 1200dpi A4 image 0 CombinVertical skip 0 1";
    QTest::newRow("black-and-white combining keeps to PDF")
        << QByteArray(
               "[scanner]\nname=Tessel T3\naddress=192.0.2.10\nport=54321\n[options]\n"
               "colorMode=TEXT\ncombine=CombinHorizontal\nfileType=image\nrotation=270\n"
               "pageSize=Legal\nresolution=600dpi\nsource=ADF\n[cleanup]\nblank=skip\ndeskew="
               "true\n")
        << "1 TEXT ADF 600dpi A4 pdf 0 CombinHorizontal skip 1 0";
    QTest::newRow("unknown values and list positions give the defaults")
        << QByteArray(
               "[scanner]\nname=Tessel T3\ntype=Net\naddress=192.0.2.10\n[options]\n"
               "colorMode=2\ncombineType=1\nsaveType=1\nrotateAngle=3\npageSize=4\n"
               "resolution=2\nscanSource=2\nsource=fb\nfileType=PDF\n[cleanup]\nblank=1\norient="
               "yes\n")
        << "1 CGRAY AUTO 200dpi A4 image 0 NoCombine keep 0 0";
    QTest::newRow("a corrupt file gives the defaults")
        << QByteArray("\x00\xff[[[\x01garbage=\n\xfe", 12)
        << "0 CGRAY FB 200dpi A4 image 0 NoCombine keep 0 0";
}

void WindowTest::choicesComeBackAtTheNextStart() {
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    const std::vector<Device> found{testing::networkScanner("Brisk B4 Net", "192.0.2.20"),
                                    combiningOffice_};
    const QString folder =
        file.isEmpty() ? session_->outputDir.filePath("scans") : session_->outputDir.path();
    if (file.isEmpty()) {
        discover(found);
        for (const auto& [name, value] : std::vector<std::pair<const char*, int>>{
                 {"scanner", 1},
                 {"colorMode", int(ColorMode::gray)},
                 {"scanSource", int(ScanSource::flatbed)},
                 {"resolution", 1200},
                 {"rotateAngle", int(Rotation::half)},
                 {"combineType", int(CombineType::vertical)}}) {
            choose(name, value);
        }
        view_->findChild<QCheckBox*>("setAsideBlankPages")->click();
        view_->findChild<QCheckBox*>("turnPagesUpright")->click();
        QVERIFY(!view_->findChild<QCheckBox*>("straightenPages")->isEnabled());  // page files
        view_->findChild<QLineEdit*>("saveTo")->setText(folder);
        view_->findChild<QLineEdit*>("saveFileName")->setText("receipt");
    } else {
        QFile settings(session_->settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(file) == file.size());
    }
    start();
    if (file.isEmpty()) {
        // The file names the values as the command line spells them.
        const QSettings kept(session_->settingsFile(), QSettings::IniFormat);
        for (const auto& [key, value] :
             std::vector<std::pair<const char*, const char*>>{{"options/source", "FB"},
                                                              {"options/colorMode", "GRAY256"},
                                                              {"options/resolution", "1200dpi"},
                                                              {"options/combine", "CombinVertical"},
                                                              {"options/fileType", "image"},
                                                              {"options/rotation", "0"},
                                                              {"cleanup/blank", "skip"},
                                                              {"cleanup/deskew", "false"},
                                                              {"cleanup/orient", "true"},
                                                              {"scanner/address", "192.0.2.10"},
                                                              {"scanner/port", "54321"}}) {
            QCOMPARE(kept.value(key).toString(), QString(value));
        }
    }
    discover(found);
    const SettingState& s = view_->state();
    const ScanRequest& r = s.request;
    QCOMPARE(
        QString::fromStdString(
            std::to_string(s.scannerIndex) + " " + std::string(toText(r.colorMode)) + " " +
            std::string(toText(r.source)) + " " + resolutionText(r.dpi) + " " +
            std::string(toText(r.pageSize)) + " " + std::string(toText(r.fileType)) + " " +
            std::string(toText(r.rotation)) + " " + std::string(toText(r.combine)) +
            (r.cleanUp.setAsideBlank ? " skip " : " keep ") + std::to_string(r.cleanUp.straighten) +
            " " + std::to_string(r.cleanUp.turnUpright)),
        expected);
    QCOMPARE(QString::fromStdString(r.saveDir), folder);
    QCOMPARE(r.prefix, file.isEmpty() ? std::string("receipt") : std::string("file"));
    QCOMPARE(view_->model().selectedScanner().name, found[s.scannerIndex].name);
    QCOMPARE(chooser("scanner")->currentIndex(), s.scannerIndex);
}

void WindowTest::windowsAreIndependentAndOneScanningStaysOpen() {
    session_->found = {testing::networkScanner("Tessel T3"),
                       testing::networkScanner("Brisk B4 Net", "192.0.2.20")};
    kestscannerApp app(session_->viewServices());
    ContentView* first = app.openWindow();
    first->newWindowAction()->trigger();
    ContentView* second = app.windows().back();
    QVERIFY(second != first);
    session_->runDiscovery();
    QTRY_COMPARE(second->findChild<QComboBox*>("scanner")->count(), 2);
    second->findChild<QComboBox*>("scanner")->setCurrentIndex(1);
    QCOMPARE(first->settingView().model().selectedScanner().name, std::string("Tessel T3"));
    // Enter in a row scans, as the default button would in a dialog.
    session_->record->holdScans(true);
    QTest::keyClick(second->findChild<QComboBox*>("colorMode"), Qt::Key_Return);
    QTRY_COMPARE(session_->scanned().size(), 1u);
    QCOMPARE(session_->record->scannedDevices.at(0).name, std::string("Brisk B4 Net"));
    QVERIFY(!second->close());
    QVERIFY(first->close());
    session_->record->holdScans(false);
    QTRY_VERIFY(!second->settingView().scanning());
    QVERIFY(second->close());
    QTRY_COMPARE(app.windows().size(), 0);
}

void WindowTest::cancelEndsASilentScanAndKeepsItsPages() {
    // Greeting, D, S and I replies, then four pages of one block each: silence.
    startWithVirtualScanner({"--pages", "4", "--block-size", "65535", "--silent-after", "8"});
    press(view_.get(), "scan");
    QTRY_VERIFY_WITH_TIMEOUT(
        view_->progressDialog() && view_->progressDialog()->thumbnails().count() == 4,
        kScanTimeoutMs);
    ScanProgressDialog* dialog = view_->progressDialog();
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(dialog->thumbnails().item(row)->text(), QString::number(row + 1));
        QVERIFY(!dialog->thumbnails().item(row)->icon().isNull());
    }
    // Under a real X server the screen is kept for a reviewer to look at.
    if (const QString shot = qEnvironmentVariable("SCANDESK_SCREENSHOT"); !shot.isEmpty()) {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::qWait(200);
        QVERIFY(QDir().mkpath(QFileInfo(shot).absolutePath()));
        QVERIFY(dialog->screen()->grabWindow(0).save(shot));
    }
    QElapsedTimer stopping;
    stopping.start();
    QTest::mouseClick(dialog->findChild<QPushButton*>("cancelScan"), Qt::LeftButton);
    QTRY_VERIFY(view_->alertBox() && view_->alertBox()->isVisible());
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QVERIFY(view_->alertBox()->informativeText().startsWith(displayText("scanCancelled")));
    const QDir received(QString::fromStdString(view_->model().receiveDir()));
    QCOMPARE(received.entryList({"file-*.jpg"}, QDir::Files).size(), 4);
}

void WindowTest::aFinishedPdfScanOffersThePdf() {
    startWithVirtualScanner({"--pages", "3"});
    choose("saveFileType", int(FileType::pdf));
    press(view_.get(), "scan");
    QTRY_VERIFY_WITH_TIMEOUT(view_->alertBox() && view_->alertBox()->isVisible(), kScanTimeoutMs);
    QCOMPARE(view_->alertBox()->windowTitle(), displayText("info"));
    QTest::mouseClick(view_->alertBox()->findChild<QPushButton*>("openPdf"), Qt::LeftButton);
    QTRY_VERIFY(!view_->alertBox());
    QCOMPARE(session_->opened.size(), 1u);
    const QFileInfo pdf(session_->opened.front().toLocalFile());
    QVERIFY2(pdf.suffix() == "pdf" && pdf.exists(), qPrintable(pdf.filePath()));
    QCOMPARE(pdf.absolutePath(), session_->outputDir.path());
}

// Keyboard only: Alt+S scans three pages for review; Right, Delete, Home, Ctrl+R, Ctrl+Z and
// Ctrl+Shift+Z leave pages 1 (turned) and 3; Ctrl+S writes them as a PDF of the stored JPEGs.
void WindowTest::reviewedPagesAreFixedWithKeysThenSaved() {
    QTemporaryDir state;
    const std::unique_ptr<ContentView> shown = reviewWindow({"--pages", "3"}, state);
    ContentView& window = *shown;
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(window.findChild<QComboBox*>("scanner")->count(), 1);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    const Document& document = *window.pageArea().document();
    QListView* list = window.pageArea().list();
    QTRY_COMPARE_WITH_TIMEOUT(document.size(), 3u, kScanTimeoutMs);
    QTRY_COMPARE(window.focusWidget(), list);
    // The offscreen platform does not give the focus back once the scan's dialog closes.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(list->hasFocus());
    QCOMPARE(list->selectionModel()->selectedRows().at(0).row(), 0);
    QVERIFY(!window.settingView().alertBox());  // the status line says it instead
    std::vector<Bytes> stored;
    for (const DocumentPage& page : document.pages()) {
        stored.push_back(*readWholeFile(document.pathOf(page)).value);
    }
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Right), QKeyCombination(Qt::Key_Delete),
          QKeyCombination(Qt::Key_Home), Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_Z,
          Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
        QTest::keyClick(list, key.key(), key.keyboardModifiers());
    }
    QCOMPARE(document.size(), 2u);
    QCOMPARE(document.pages()[0].quarterTurns, 1);
    QCOMPARE(*readWholeFile(document.pathOf(document.pages()[1])).value, stored[2]);
    // A page dropped before the first one moves there; Ctrl+Z takes the move back.
    PageListModel& model = window.pageArea().model();
    std::unique_ptr<QMimeData> dragged(model.mimeData({model.index(1)}));
    model.dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, {});
    QTRY_COMPARE(*readWholeFile(document.pathOf(document.pages()[0])).value, stored[2]);
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(document.pages()[0].quarterTurns, 1);
    QTRY_VERIFY(window.pageArea().model().cache().bytes() > 0);
    if (const QString shot = qEnvironmentVariable("SCANDESK_PAGE_AREA_SHOT"); !shot.isEmpty()) {
        QTest::qWait(200);
        QVERIFY(QDir().mkpath(QFileInfo(shot).absolutePath()));
        QVERIFY(window.grab().save(shot));
    }

    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(document.size(), 0u);
    const QStringList pdfs = QDir(session_->outputDir.path()).entryList({"*.pdf"}, QDir::Files);
    QCOMPARE(pdfs.size(), 1);
    const QString pdf = session_->outputDir.filePath(pdfs.front());
    QProcess info;
    info.start("pdfinfo", {"-f", "1", "-l", "2", pdf});
    QVERIFY(info.waitForFinished());
    const QString text = QString::fromUtf8(info.readAllStandardOutput()).simplified();
    QVERIFY2(text.contains("Pages: 2") && text.contains("Page 1 rot: 90") &&
                 text.contains("Page 2 rot: 0"),
             qPrintable(text));
    QCOMPARE(QProcess::execute("pdfimages", {"-j", pdf, state.filePath("x")}), 0);
    QCOMPARE(*readWholeFile(state.filePath("x-000.jpg").toStdString()).value, stored[0]);
    QCOMPARE(*readWholeFile(state.filePath("x-001.jpg").toStdString()).value, stored[2]);
}

// With blank pages set aside, a scan for review marks its blank pages in the document (left
// out on Save) and leaves a page with one mark unmarked.
void WindowTest::aReviewedScanMarksItsBlankPages() {
    QTemporaryDir pages, state;
    QImage paper(1621, 2294, QImage::Format_Grayscale8);  // A4 at the 200 dpi it asks for
    paper.fill(Qt::white);
    QVERIFY(paper.save(pages.filePath("blank.jpg"), "JPG"));
    QPainter(&paper).fillRect(600, 1100, 400, 40, Qt::black);
    QVERIFY(paper.save(pages.filePath("marked.jpg"), "JPG"));
    const std::unique_ptr<ContentView> window =
        reviewWindow({"--pages", "3", "--page-file", pages.filePath("marked.jpg").toStdString(),
                      "--page-file", pages.filePath("blank.jpg").toStdString()},
                     state);
    QTRY_COMPARE(window->findChild<QComboBox*>("scanner")->count(), 1);
    window->findChild<QCheckBox*>("setAsideBlankPages")->setChecked(true);
    window->findChild<QPushButton*>("scan")->click();
    const Document& document = *window->pageArea().document();
    QTRY_COMPARE_WITH_TIMEOUT(document.size(), 3u, kScanTimeoutMs);
    const std::vector<DocumentPage>& page = document.pages();
    QVERIFY(!page[0].facts->blank && page[1].facts->blank && !page[2].facts->blank);
}

}  // namespace scandesk

QTEST_MAIN(scandesk::WindowTest)
#include "window_test.moc"
