// The embedded string tables: every key in both languages, the locale choice, the
// fallback for unknown keys and the prompts' confirm text.
#include <QCoreApplication>
#include <QTest>

#include "common/localization.h"
#include "devices/options.h"
#include "protocol/scanner_replies.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

const char* const kPromptNextPage = "请确保机器回到就绪状态后，放置下一页，然后点击确认按钮";
const char* const kPromptIdCard = "请确保机器回到就绪状态后，将身份证翻面，然后点击确认按钮";

// Every key the window, the session's alerts and the command line show.
QStringList requiredKeys() {
    QStringList keys{
        // labels, buttons and placeholders of the window
        "scanner", "refreshScanner", "Searching...", "scanSource", "colorMode", "contenType",
        "resolution", "combineType", "pageSize", "saveFileType", "rotateAngle", "saveFileName",
        "saveTo", "browser", "scan", "ok", "stopTwoPass", "BMP", "JPEG", "PDF", "New Window",
        "Help", "Open log folder", "addScannerByAddress", "scannerAddress", "invalidAddress",
        "scanInProgress", "pagesReceived",
        // alerts of the window and the session
        "error", "info", "noScannerFound", "noScannerAtAddress", "noSaveDir", "noSaveFileName",
        "scanPage", "pages", "cannotCreateReceiveDir", "cannotSavePDF", "invalidFileName",
        "receiveDirMissing", "invalidScanSetting", "has no bytes available for 1 min",
        kPromptNextPage, kPromptIdCard, "二合一扫描流程结束", "pagesKept", "secondPassAgain",
        // the scan dialog, the results and "add by address"
        "appTitle", "cancelScan", "cancellingScan", "openFolder", "openPdf", "identifyModel",
        "scannerModel", "cancel"};
    // every way a scan can end
    for (int code = 0; code <= static_cast<int>(kLastScanCode); ++code) {
        keys << QString::fromUtf8(alertKey(static_cast<ScanCode>(code)).data(),
                                  static_cast<int>(alertKey(static_cast<ScanCode>(code)).size()));
    }
    // chooser entries and status names come from the catalogue itself
    for (const auto* list :
         {&colorModeOption(), &typeOption(), &scanSourceOptionN(), &pageSizeOptionForId(),
          &pageSizeOptionFor20(), &combineTypeOption()}) {
        for (const auto& key : *list) {
            keys << QString::fromStdString(key);
        }
    }
    for (int angle : rotateOption()) {
        keys << QString::number(angle);
    }
    for (const auto& [status, name] : ScanStatus()) {
        keys << QString::fromStdString(name);
    }
    keys.removeDuplicates();
    return keys;
}

}  // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

  private slots:
    void everyKeyHasAnEntry_data();
    void everyKeyHasAnEntry();
    void systemLocaleChoosesTheTable_data();
    void systemLocaleChoosesTheTable();
    void keyWithoutEntryShowsItself();
    void placesOfNumbersAndNamesSurviveTranslation_data();
    void placesOfNumbersAndNamesSurviveTranslation();
    void lookupIsRestoredWhenTheTablesGo();
    void mnemonicsCanBeLeftOut_data();
    void mnemonicsCanBeLeftOut();
};

void TranslationsTest::everyKeyHasAnEntry_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "en";
    QTest::newRow("Simplified Chinese") << "zh_CN";
}

void TranslationsTest::everyKeyHasAnEntry() {
    QFETCH(QString, language);
    QTranslator table;
    QVERIFY(table.load(":/i18n/scandesk_" + language + ".qm"));
    QStringList missing;
    for (const QString& key : requiredKeys()) {
        if (table.translate(kTranslationContext, key.toUtf8().constData()).isEmpty()) {
            missing << key;
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
}

void TranslationsTest::systemLocaleChoosesTheTable_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("scanText");
    QTest::newRow("English") << "en_GB"
                             << "en"
                             << "&Scan";
    QTest::newRow("Simplified Chinese") << "zh_CN"
                                        << "zh_CN"
                                        << "扫描(&S)";
    QTest::newRow("a locale without a table reads English") << "de_DE"
                                                            << "en"
                                                            << "&Scan";
}

void TranslationsTest::systemLocaleChoosesTheTable() {
    QFETCH(QString, locale);
    QFETCH(QString, language);
    QFETCH(QString, scanText);
    const ScopedTranslations translations{QLocale(locale)};
    QCOMPARE(translations.language(), language);
    QCOMPARE(displayText("scan"), scanText);
    QCOMPARE(QString::fromStdString(localized("scan")), scanText);
}

void TranslationsTest::keyWithoutEntryShowsItself() {
    const ScopedTranslations translations{QLocale("zh_CN")};
    QCOMPARE(displayText("noSuchKeyAnywhere"), QString("noSuchKeyAnywhere"));
    QCOMPARE(displayText("192.0.2.10"), QString("192.0.2.10"));
}

void TranslationsTest::placesOfNumbersAndNamesSurviveTranslation_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("English") << "en_US";
    QTest::newRow("Simplified Chinese") << "zh_CN";
}

void TranslationsTest::placesOfNumbersAndNamesSurviveTranslation() {
    QFETCH(QString, locale);
    const ScopedTranslations translations{QLocale(locale)};
    const std::string kept = fillIn(localized("pagesKept"), {"7", "/scans/20240305"});
    QVERIFY2(kept.find('7') != std::string::npos, kept.c_str());
    QVERIFY2(kept.find("/scans/20240305") != std::string::npos, kept.c_str());
    QVERIFY2(kept.find('%') == std::string::npos, kept.c_str());
}

void TranslationsTest::lookupIsRestoredWhenTheTablesGo() {
    {
        const ScopedTranslations translations{QLocale("zh_CN")};
        QCOMPARE(QString::fromStdString(localized("error")), QString("错误"));
    }
    QCOMPARE(QString::fromStdString(localized("error")), QString("error"));
    QCOMPARE(QCoreApplication::translate(kTranslationContext, "error"), QString("error"));
}

void TranslationsTest::mnemonicsCanBeLeftOut_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("plain");
    QTest::newRow("marked letter") << "Sa&ve to"
                                   << "Save to";
    QTest::newRow("letter in brackets") << "保存到(&V)"
                                        << "保存到";
    QTest::newRow("full-width brackets") << "文件名（&L）"
                                         << "文件名";
    QTest::newRow("a doubled ampersand stays one") << "Q&&A &list"
                                                   << "Q&A list";
}

void TranslationsTest::mnemonicsCanBeLeftOut() {
    QFETCH(QString, label);
    QFETCH(QString, plain);
    QCOMPARE(withoutMnemonic(label), plain);
}

}  // namespace scandesk

QTEST_GUILESS_MAIN(scandesk::TranslationsTest)
#include "translations_test.moc"
