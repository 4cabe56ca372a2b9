// The string tables: every key has an English and a Chinese entry with the same places
// for numbers and names; the locale picks the table.
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include "devices/scan_options.h"
#include "protocol/scanner_replies.h"
#include "ui/translations.h"

namespace scandesk {

class TranslationsTest : public QObject {
    Q_OBJECT

  private slots:
    void everyKeyHasBothEntriesWithTheSamePlaces();
    void theLocaleChoosesTheTable();
};

void TranslationsTest::everyKeyHasBothEntriesWithTheSamePlaces() {
    // The keys of the English table, and those the program takes from its catalogue and
    // from the ways a scan ends.
    QFile english(SCANDESK_TS_DIR "/scandesk_en.ts");
    QVERIFY(english.open(QIODevice::ReadOnly));
    std::vector<std::string> keys;
    static const QRegularExpression source("<source>(.*)</source>");
    for (const auto& match : source.globalMatch(QString::fromUtf8(english.readAll()))) {
        keys.push_back(match.captured(1).toStdString());
    }
    for (int code = 0; code <= static_cast<int>(kLastScanCode); ++code) {
        keys.emplace_back(alertKey(static_cast<ScanCode>(code)));
    }
    const auto addTexts = [&keys]<typename E>(E) {
        for (E value : allOptions<E>()) {
            keys.emplace_back(toText(value));
        }
    };
    addTexts(ColorMode{});
    addTexts(ContentType{});
    addTexts(ScanSource{});
    addTexts(PageSize{});
    addTexts(CombineType{});
    addTexts(Rotation{});
    for (const auto& [status, name] : ScanStatus()) {
        keys.push_back(name);
    }
    QTranslator en;
    QTranslator zh;
    QVERIFY(en.load(":/i18n/scandesk_en.qm") && zh.load(":/i18n/scandesk_zh_CN.qm"));
    static const QRegularExpression place("%\\d");
    for (const std::string& key : keys) {
        const QString inEnglish = en.translate(kTranslationContext, key.c_str());
        const QString inChinese = zh.translate(kTranslationContext, key.c_str());
        QVERIFY2(!inEnglish.isEmpty() && !inChinese.isEmpty(), key.c_str());
        QVERIFY2(inChinese.count(place) == inEnglish.count(place), key.c_str());
    }
}

void TranslationsTest::theLocaleChoosesTheTable() {
    for (const auto& [locale, language] :
         {std::pair{"en_GB", "en"}, std::pair{"zh_CN", "zh_CN"}, std::pair{"de_DE", "en"}}) {
        const ScopedTranslations translations{QLocale(locale)};
        QCOMPARE(translations.language(), QString(language));
        QVERIFY(displayText("scan") != "scan");
        QCOMPARE(displayText("noSuchKeyAnywhere"), QString("noSuchKeyAnywhere"));
    }
    QCOMPARE(displayText("scan"), QString("scan"));  // the lookup is restored
}

}  // namespace scandesk

QTEST_GUILESS_MAIN(scandesk::TranslationsTest)
#include "translations_test.moc"
