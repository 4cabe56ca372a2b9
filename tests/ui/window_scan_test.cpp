// The window scanning with the real session core from the virtual scanner on loopback:
// thumbnails as the pages arrive, Cancel, and the PDF a finished scan offers to open.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "child_process.h"
#include "fake_session.h"
#include "ui/setting_view.h"
#include "ui/translations.h"

namespace scandesk {

class WindowScanTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { translations_ = std::make_unique<ScopedTranslations>(QLocale("en_US")); }
    void cleanup();
    void cancelEndsASilentScanAndKeepsItsPages();
    void aFinishedPdfScanOffersThePdf();

  private:
    /// A window whose scanner is the virtual scanner run with `options`; Scan pressed.
    void scanWith(const std::vector<std::string>& options, int saveType);

    std::unique_ptr<ScopedTranslations> translations_;
    std::unique_ptr<testing::VirtualScanner> scanner_;
    testing::FakeSession session_;
    std::unique_ptr<SettingView> view_;
};

// How long the virtual scanner may take for a few pages, with sanitizers on.
constexpr int kScanTimeoutMs = 20000;

void WindowScanTest::cleanup() {
    if (view_ && view_->alertBox()) {
        view_->alertBox()->done(0);
    }
    view_.reset();
    session_.executors.clear();  // went with the view
    scanner_.reset();
}

void WindowScanTest::scanWith(const std::vector<std::string>& options, int saveType) {
    scanner_ = std::make_unique<testing::VirtualScanner>(options);
    session_.realScannerPort = scanner_->port();
    session_.found = {testing::networkScanner("Tessel T3", "127.0.0.1")};
    view_ = std::make_unique<SettingView>(session_.viewServices());
    view_->show();
    session_.runDiscovery();
    QTRY_COMPARE(view_->findChild<QComboBox*>("scanner")->count(), 1);
    auto* fileType = view_->findChild<QComboBox*>("saveFileType");
    fileType->setCurrentIndex(fileType->findData(saveType));
    QTest::mouseClick(view_->findChild<QPushButton*>("scan"), Qt::LeftButton);
}

void WindowScanTest::cancelEndsASilentScanAndKeepsItsPages() {
    // Greeting, D, S, I and X replies, then three pages of one block each: silence.
    scanWith({"--pages", "4", "--block-size", "65535", "--silent-after", "8"}, 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        view_->progressDialog() && view_->progressDialog()->thumbnails().count() == 3,
        kScanTimeoutMs);
    ScanProgressDialog* dialog = view_->progressDialog();
    for (int row = 0; row < 3; ++row) {
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
    QCOMPARE(received.entryList({"file-*.jpg"}, QDir::Files).size(), 3);
}

void WindowScanTest::aFinishedPdfScanOffersThePdf() {
    scanWith({"--pages", "3"}, kPdfSaveTypeIndex);
    QTRY_VERIFY_WITH_TIMEOUT(view_->alertBox() && view_->alertBox()->isVisible(), kScanTimeoutMs);
    QCOMPARE(view_->alertBox()->windowTitle(), displayText("info"));
    QTest::mouseClick(view_->alertBox()->findChild<QPushButton*>("openPdf"), Qt::LeftButton);
    QTRY_VERIFY(!view_->alertBox());
    QCOMPARE(session_.opened.size(), 1u);
    const QFileInfo pdf(session_.opened.front().toLocalFile());
    QVERIFY2(pdf.suffix() == "pdf" && pdf.exists(), qPrintable(pdf.filePath()));
    QCOMPARE(pdf.absolutePath(), session_.outputDir.path());
}

}  // namespace scandesk

QTEST_MAIN(scandesk::WindowScanTest)
#include "window_scan_test.moc"
