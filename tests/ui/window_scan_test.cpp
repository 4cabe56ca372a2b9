// The window scanning with the real session core from the virtual scanner on loopback:
// thumbnails as the pages arrive, Cancel, and what a finished scan offers to open.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "child_process.h"
#include "fake_session.h"
#include "test_scanners.h"
#include "ui/setting_view.h"
#include "ui/thumbnail_loader.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

using testing::FakeSession;
using testing::VirtualScanner;

// How long the virtual scanner may take for a few pages, with sanitizers on.
constexpr int kScanTimeoutMs = 20000;
// How soon a stopped scan must have ended.
constexpr qint64 kCancelLimitMs = 1000;

}  // namespace

class WindowScanTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();

    void cancelEndsASilentScanAndKeepsItsPages();
    void aFinishedScanOffersWhatItMade_data();
    void aFinishedScanOffersWhatItMade();
    void thumbnailsFitTheirSquare_data();
    void thumbnailsFitTheirSquare();

  private:
    /// A window whose scanner is the virtual scanner run with `options`.
    void openWindow(const std::vector<std::string>& options);
    void choose(const char* name, int listIndex);
    void waitForAlert();

    std::unique_ptr<ScopedTranslations> translations_;
    std::unique_ptr<VirtualScanner> scanner_;
    std::unique_ptr<FakeSession> session_;
    std::unique_ptr<SettingView> view_;
};

void WindowScanTest::initTestCase() {
    translations_ = std::make_unique<ScopedTranslations>(QLocale("en_US"));
}

void WindowScanTest::cleanup() {
    if (view_ && view_->alertBox()) {
        view_->alertBox()->done(0);
    }
    view_.reset();
    scanner_.reset();
    session_.reset();
}

void WindowScanTest::openWindow(const std::vector<std::string>& options) {
    scanner_ = std::make_unique<VirtualScanner>(options);
    session_ = std::make_unique<FakeSession>();
    session_->realScannerPort = scanner_->port();
    session_->setFound({Device::fromNetworkRow(testing::catalogueRow("Tessel T3"), "127.0.0.1")});
    view_ = std::make_unique<SettingView>(session_->viewServices());
    view_->show();
    session_->runDiscovery();
    QTRY_COMPARE(view_->findChild<QComboBox*>("scanner")->count(), 1);
}

void WindowScanTest::choose(const char* name, int listIndex) {
    auto* chooser = view_->findChild<QComboBox*>(name);
    chooser->setCurrentIndex(chooser->findData(listIndex));
}

void WindowScanTest::waitForAlert() {
    QTRY_VERIFY_WITH_TIMEOUT(view_->alertBox() && view_->alertBox()->isVisible(), kScanTimeoutMs);
}

void WindowScanTest::cancelEndsASilentScanAndKeepsItsPages() {
    // Greeting, D, S, I and X replies, then three grey pages of one block each: silence.
    openWindow({"--pages", "4", "--block-size", "65535", "--silent-after", "8"});
    choose("colorMode", 1);
    QTest::mouseClick(view_->findChild<QPushButton*>("scan"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        view_->progressDialog() && view_->progressDialog()->thumbnails().count() == 3,
        kScanTimeoutMs);
    ScanProgressDialog* dialog = view_->progressDialog();
    QVERIFY(dialog->findChild<QLabel*>("scanStatus")->text().endsWith(" 3"));
    for (int row = 0; row < 3; ++row) {
        const QListWidgetItem* item = dialog->thumbnails().item(row);
        QCOMPARE(item->text(), QString::number(row + 1));
        QVERIFY(!item->icon().isNull());
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
    QVERIFY2(stopping.elapsed() < kCancelLimitMs, qPrintable(QString::number(stopping.elapsed())));
    const QString message = view_->alertBox()->informativeText();
    QCOMPARE(view_->alertBox()->windowTitle(), displayText("info"));
    QVERIFY2(message.startsWith(displayText("scanCancelled")) && message.contains(" 3 "),
             qPrintable(message));
    const QDir received(QString::fromStdString(view_->model().receiveDir()));
    QCOMPARE(received.entryList({"file-*.jpg"}, QDir::Files).size(), 3);
    QVERIFY(view_->alertBox()->findChild<QPushButton*>("openFolder")->isHidden());
}

void WindowScanTest::aFinishedScanOffersWhatItMade_data() {
    QTest::addColumn<int>("saveType");
    QTest::addColumn<QString>("button");
    QTest::newRow("image files: their folder") << 0 << "openFolder";
    QTest::newRow("a PDF: the output folder") << kPdfSaveTypeIndex << "openFolder";
    QTest::newRow("a PDF: the PDF itself") << kPdfSaveTypeIndex << "openPdf";
}

void WindowScanTest::aFinishedScanOffersWhatItMade() {
    QFETCH(int, saveType);
    QFETCH(QString, button);
    openWindow({"--pages", "3"});
    choose("saveFileType", saveType);
    QTest::mouseClick(view_->findChild<QPushButton*>("scan"), Qt::LeftButton);
    waitForAlert();
    QMessageBox* alert = view_->alertBox();
    QCOMPARE(alert->windowTitle(), displayText("info"));
    const bool pdf = saveType == kPdfSaveTypeIndex;
    QVERIFY(alert->findChild<QPushButton*>("openFolder")->isVisible());
    QCOMPARE(alert->findChild<QPushButton*>("openPdf")->isVisible(), pdf);
    QTest::mouseClick(alert->findChild<QPushButton*>(button), Qt::LeftButton);
    QTRY_VERIFY(!view_->alertBox());
    QCOMPARE(session_->opened.size(), 1u);
    const QString opened = session_->opened.front().toLocalFile();
    if (button == "openPdf") {
        QVERIFY2(opened.endsWith(".pdf") && QFile::exists(opened), qPrintable(opened));
        QCOMPARE(QFileInfo(opened).absolutePath(), session_->outputDir.path());
    } else {
        const QString folder =
            pdf ? session_->outputDir.path() : QString::fromStdString(view_->model().receiveDir());
        QCOMPARE(opened, folder);
        QCOMPARE(QDir(opened).entryList({pdf ? "*.pdf" : "file-*.jpg"}, QDir::Files).size(),
                 pdf ? 1 : 3);
    }
}

void WindowScanTest::thumbnailsFitTheirSquare_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");  // invalid: the file is not a picture
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("one-bit BMP page") << "page.bmp" << QSize(1654, 2339) << QImage::Format_Mono;
    QTest::newRow("grey JPEG page") << "page.jpg" << QSize(2480, 3508) << QImage::Format_Grayscale8;
    QTest::newRow("landscape colour JPEG")
        << "page.jpg" << QSize(3508, 2480) << QImage::Format_RGB32;
    QTest::newRow("not a picture") << "page.jpg" << QSize() << QImage::Format_RGB32;
}

void WindowScanTest::thumbnailsFitTheirSquare() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QImage::Format, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (size.isValid()) {
        QImage page(size, format);
        page.fill(Qt::white);
        QVERIFY(page.save(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xff\xd8 truncated");
    }
    const QImage thumbnail = decodeThumbnail(path, ScanProgressDialog::kThumbnailSize);
    QCOMPARE(thumbnail.isNull(), !size.isValid());
    if (size.isValid()) {
        QCOMPARE(std::max(thumbnail.width(), thumbnail.height()),
                 ScanProgressDialog::kThumbnailSize);
        QCOMPARE(thumbnail.width() > thumbnail.height(), size.width() > size.height());
    }
}

}  // namespace scandesk

QTEST_MAIN(scandesk::WindowScanTest)
#include "window_scan_test.moc"
