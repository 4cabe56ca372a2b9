// The window's consistency rules as tables: visibility, enabled state, change rules,
// the page size filter, indices kept in range and the scan checks.
#include <QTest>

#include "test_scanners.h"
#include "ui/setting_state.h"

Q_DECLARE_METATYPE(scandesk::SettingState)
Q_DECLARE_METATYPE(scandesk::RowRules)

namespace scandesk {

// Failure messages name every index.
char* toString(const SettingState& s) {
    return QTest::toString(QString("scanner %1 mode %2 source %3 content %4 resolution %5 page %6 "
                                   "save %7 rotate %8 combine %9")
                               .arg(s.scannerIndex)
                               .arg(s.colorModeIndex)
                               .arg(s.scanSourceIndex)
                               .arg(s.contentTypeIndex)
                               .arg(s.resolutionIndex)
                               .arg(s.pageSizeIndex)
                               .arg(s.saveTypeIndex)
                               .arg(s.rotateAngleIndex)
                               .arg(s.combineTypeIndex));
}

char* toString(const RowRules& r) {
    return QTest::toString(
        QString("combine shown %1, rotation shown %2, file name shown %3, source "
                "enabled %4, page size enabled %5, file type enabled %6")
            .arg(r.combineShown)
            .arg(r.rotationShown)
            .arg(r.fileNameShown)
            .arg(r.scanSourceEnabled)
            .arg(r.pageSizeEnabled)
            .arg(r.saveTypeEnabled));
}

namespace {

using testing::scannerNamed;

constexpr int kText = 2;  // "TEXT" in the colour modes
constexpr int kHorizontal = 1;
constexpr int kVertical = 2;

// A state with the indices the rows below vary.
SettingState with(int colorMode, int source, int resolution, int pageSize, int saveType, int rotate,
                  int combine) {
    return testing::stateWith(colorMode, source, resolution, pageSize, saveType, rotate, combine);
}

RowRules rules(bool combineShown, bool rotationShown, bool fileNameShown, bool sourceEnabled,
               bool pageSizeEnabled, bool saveTypeEnabled) {
    return {combineShown,  rotationShown,   fileNameShown,
            sourceEnabled, pageSizeEnabled, saveTypeEnabled};
}

enum class Change { scanner, source, colorMode, combine };

}  // namespace

class SettingStateTest : public QObject {
    Q_OBJECT

  private slots:
    void rowRulesFollowModeCombinationAndFileType_data();
    void rowRulesFollowModeCombinationAndFileType();
    void changeRules_data();
    void changeRules();
    void pageSizeFilterKeepsFullListIndices_data();
    void pageSizeFilterKeepsFullListIndices();
    void resolutionsFollowTheSource();
    void fileTypeEntriesFollowTheColourMode();
    void indicesAreKeptInsideTheirLists_data();
    void indicesAreKeptInsideTheirLists();
    void scanChecksRunInOrder_data();
    void scanChecksRunInOrder();
    void uiParamsCarryTheChoicesInFieldOrder();
};

void SettingStateTest::rowRulesFollowModeCombinationAndFileType_data() {
    QTest::addColumn<QString>("scanner");
    QTest::addColumn<SettingState>("state");
    QTest::addColumn<RowRules>("expected");
    QTest::newRow("start, placeholder-like feeder")
        << "feeder" << with(0, 0, 0, 0, 0, 0, 0) << rules(false, true, true, true, true, true);
    QTest::newRow("combining scanner shows the combination row")
        << "flatbed" << with(0, 0, 0, 0, 0, 0, 0) << rules(true, true, true, true, true, true);
    QTest::newRow("PDF hides the file name")
        << "feeder" << with(1, 0, 0, 0, 1, 0, 0) << rules(false, true, false, true, true, true);
    QTest::newRow("TEXT hides the rotation")
        << "feeder" << with(kText, 0, 0, 0, 0, 0, 0) << rules(false, false, true, true, true, true);
    QTest::newRow("combining hides rotation, locks page size")
        << "combining" << with(0, 0, 0, 0, 0, 0, kHorizontal)
        << rules(true, false, true, true, false, true);
    QTest::newRow("TEXT and combining lock the file type")
        << "combining" << with(kText, 0, 0, 0, 1, 0, kVertical)
        << rules(true, false, false, true, false, false);
    QTest::newRow("ID card locks the source")
        << "combining" << with(0, 2, 0, 0, 0, 0, 3) << rules(true, false, true, false, false, true);
}

void SettingStateTest::rowRulesFollowModeCombinationAndFileType() {
    QFETCH(QString, scanner);
    QFETCH(SettingState, state);
    QFETCH(RowRules, expected);
    QCOMPARE(rowRules(scannerNamed(scanner), state), expected);
}

void SettingStateTest::changeRules_data() {
    QTest::addColumn<QString>("scanner");
    QTest::addColumn<SettingState>("before");
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("value");
    QTest::addColumn<SettingState>("expected");
    const auto row = [](const char* name, const char* scanner, SettingState before, Change change,
                        int value, SettingState expected) {
        QTest::newRow(name) << scanner << before << static_cast<int>(change) << value << expected;
    };
    // scanner: source and resolution start over; the other choices stay.
    row("scanner change resets source and resolution only", "office", with(1, 2, 3, 5, 1, 2, 0),
        Change::scanner, 1, with(1, 0, 0, 5, 1, 2, 0));
    // source
    row("FB to ADF resets resolution and page size", "office", with(0, 2, 3, 4, 0, 0, 0),
        Change::source, 1, with(0, 1, 0, 0, 0, 0, 0));
    row("FB to AUTO resets resolution and page size", "office", with(0, 2, 1, 2, 0, 0, 0),
        Change::source, 0, with(0, 0, 0, 0, 0, 0, 0));
    row("ADF to FB keeps resolution and page size", "office", with(0, 1, 2, 3, 0, 0, 0),
        Change::source, 2, with(0, 2, 2, 3, 0, 0, 0));
    // colour mode
    row("TEXT drops rotation", "combining", with(0, 0, 0, 0, 0, 3, 0), Change::colorMode, kText,
        with(kText, 0, 0, 0, 0, 0, 0));
    row("TEXT while combining forces PDF", "combining", with(0, 0, 0, 0, 0, 0, kHorizontal),
        Change::colorMode, kText, with(kText, 0, 0, 0, 1, 0, kHorizontal));
    row("leaving TEXT changes nothing else", "combining", with(kText, 0, 0, 0, 1, 0, kVertical),
        Change::colorMode, 1, with(1, 0, 0, 0, 1, 0, kVertical));
    // combination
    row("combining resets the page size", "combining", with(0, 2, 1, 3, 0, 2, 0), Change::combine,
        kHorizontal, with(0, 2, 1, 0, 0, 2, kHorizontal));
    row("combining in TEXT forces PDF and no rotation", "combining", with(kText, 0, 0, 2, 0, 0, 0),
        Change::combine, kVertical, with(kText, 0, 0, 0, 1, 0, kVertical));
    row("ID card moves a three-source scanner to FB", "combining", with(0, 0, 0, 2, 0, 0, 0),
        Change::combine, 3, with(0, 2, 0, 0, 0, 0, 3));
    row("ID card keeps a flatbed-only scanner at its source", "flatbed", with(0, 0, 1, 2, 0, 0, 0),
        Change::combine, 3, with(0, 0, 1, 0, 0, 0, 3));
    row("ID card keeps a scanner without FB inside its list", "twoSource",
        with(0, 1, 0, 0, 0, 0, 0), Change::combine, 3, with(0, 1, 0, 0, 0, 0, 3));
    row("back to no combining changes nothing else", "combining", with(kText, 2, 1, 0, 1, 0, 3),
        Change::combine, 0, with(kText, 2, 1, 0, 1, 0, 0));
}

void SettingStateTest::changeRules() {
    QFETCH(QString, scanner);
    QFETCH(SettingState, before);
    QFETCH(int, change);
    QFETCH(int, value);
    QFETCH(SettingState, expected);
    const Device device = scannerNamed(scanner);
    SettingState state = before;
    switch (static_cast<Change>(change)) {
        case Change::scanner:
            expected.scannerIndex = state.scannerIndex = value;
            applyScannerChange(state);
            break;
        case Change::source:
            state.scanSourceIndex = value;
            applyScanSourceChange(state, device);
            break;
        case Change::colorMode:
            state.colorModeIndex = value;
            applyColorModeChange(state);
            break;
        case Change::combine:
            state.combineTypeIndex = value;
            applyCombineTypeChange(state, device);
            break;
    }
    QCOMPARE(state, expected);
}

void SettingStateTest::pageSizeFilterKeepsFullListIndices_data() {
    QTest::addColumn<QString>("scanner");
    QTest::addColumn<int>("source");
    QTest::addColumn<QList<int>>("listed");
    // office paper sizes: A4 A5 B5(JIS) B5(ISO) Letter Folio Legal 4R
    QTest::newRow("AUTO lists neither 4R nor Folio/Legal")
        << "office" << 0 << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("ADF lists Folio and Legal") << "office" << 1 << QList<int>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("FB lists 4R at its full-list index")
        << "office" << 2 << QList<int>{0, 1, 2, 3, 4, 7};
    QTest::newRow("flatbed model without filtered sizes")
        << "flatbed" << 0 << QList<int>{0, 1, 2, 3, 4};
}

void SettingStateTest::pageSizeFilterKeepsFullListIndices() {
    QFETCH(QString, scanner);
    QFETCH(int, source);
    QFETCH(QList<int>, listed);
    SettingState state;
    state.scanSourceIndex = source;
    const auto indices = listedPageSizes(scannerNamed(scanner), state);
    QCOMPARE(QList<int>(indices.begin(), indices.end()), listed);
}

void SettingStateTest::resolutionsFollowTheSource() {
    const Device office = testing::officeScanner();
    SettingState state;
    for (int source : {0, 1}) {
        state.scanSourceIndex = source;
        QCOMPARE(resolutionList(office, state), office.adfResolution);
    }
    state.scanSourceIndex = 2;
    QCOMPARE(resolutionList(office, state), office.fbResolution);
    QCOMPARE(resolutionList(office, state).back(), std::string("1200dpi"));
}

void SettingStateTest::fileTypeEntriesFollowTheColourMode() {
    SettingState state;
    QCOMPARE(saveTypeEntries(state), (OptionList{"JPEG", "PDF"}));
    state.colorModeIndex = kText;
    QCOMPARE(saveTypeEntries(state), (OptionList{"BMP", "PDF"}));
}

void SettingStateTest::indicesAreKeptInsideTheirLists_data() {
    QTest::addColumn<QString>("scanner");
    QTest::addColumn<int>("scannerCount");
    QTest::addColumn<SettingState>("before");
    QTest::addColumn<SettingState>("expected");
    SettingState fewerScanners = with(0, 1, 1, 0, 0, 0, 0);
    fewerScanners.scannerIndex = 3;
    SettingState fewerScannersKept = fewerScanners;
    fewerScannersKept.scannerIndex = 0;
    QTest::newRow("a refresh that finds fewer scanners")
        << "office" << 2 << fewerScanners << fewerScannersKept;
    QTest::newRow("no scanner at all") << "office" << 0 << fewerScanners << fewerScannersKept;
    QTest::newRow("a one-source scanner after source FB of three")
        << "flatbed" << 1 << with(0, 2, 3, 0, 0, 0, 0) << with(0, 0, 3, 0, 0, 0, 0);
    QTest::newRow("1200dpi left behind when the source leaves FB")
        << "office" << 1 << with(0, 1, 3, 0, 0, 0, 0) << with(0, 1, 0, 0, 0, 0, 0);
    QTest::newRow("a paper size past a shorter list")
        << "flatbed" << 1 << with(0, 0, 0, 7, 0, 0, 0) << with(0, 0, 0, 0, 0, 0, 0);
    QTest::newRow("4R is not listed once the source is AUTO")
        << "office" << 1 << with(0, 0, 0, 7, 0, 0, 0) << with(0, 0, 0, 0, 0, 0, 0);
    QTest::newRow("a scanner that cannot combine drops the combination")
        << "office" << 1 << with(0, 2, 0, 0, 0, 0, 3) << with(0, 2, 0, 0, 0, 0, 0);
    QTest::newRow("indices already inside stay")
        << "combining" << 1 << with(2, 2, 3, 7, 1, 3, 2) << with(2, 2, 3, 7, 1, 3, 2);
    QTest::newRow("negative indices return to the first entry")
        << "combining" << 1 << with(-1, -1, -1, -1, -1, -1, -1) << with(0, 0, 0, 0, 0, 0, 0);
}

void SettingStateTest::indicesAreKeptInsideTheirLists() {
    QFETCH(QString, scanner);
    QFETCH(int, scannerCount);
    QFETCH(SettingState, before);
    QFETCH(SettingState, expected);
    keepIndicesInRange(before, scannerNamed(scanner), static_cast<size_t>(scannerCount));
    QCOMPARE(before, expected);
}

void SettingStateTest::scanChecksRunInOrder_data() {
    QTest::addColumn<int>("scanners");
    QTest::addColumn<QString>("saveDir");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("saveType");
    QTest::addColumn<QString>("failure");
    QTest::newRow("no scanner comes first") << 0 << ""
                                            << "" << 0 << "noScannerFound";
    QTest::newRow("no directory") << 1 << ""
                                  << "" << 0 << "noSaveDir";
    QTest::newRow("no file name") << 1 << "/tmp"
                                  << "" << 0 << "noSaveFileName";
    QTest::newRow("no file name, even for a PDF") << 1 << "/tmp"
                                                  << "" << 1 << "noSaveFileName";
    QTest::newRow("all present") << 2 << "/tmp"
                                 << "scan" << 0 << "";
}

void SettingStateTest::scanChecksRunInOrder() {
    QFETCH(int, scanners);
    QFETCH(QString, saveDir);
    QFETCH(QString, prefix);
    QFETCH(int, saveType);
    QFETCH(QString, failure);
    SettingState state;
    state.saveDir = saveDir.toStdString();
    state.savePrefix = prefix.toStdString();
    state.saveTypeIndex = saveType;
    const auto result = scanCheckFailure(state, static_cast<size_t>(scanners));
    QCOMPARE(QString::fromStdString(result.value_or("")), failure);
}

void SettingStateTest::uiParamsCarryTheChoicesInFieldOrder() {
    SettingState state = with(2, 1, 3, 4, 1, 0, 2);
    state.contentTypeIndex = 1;
    state.rotateAngleIndex = 3;
    state.savePrefix = "scan";
    state.saveDir = "/home/a/Scans";
    const UIParams expected{"Tessel T3", 1, 2, 3, 4, 1, 1, 3, 2, "scan", "/home/a/Scans", "scan"};
    QVERIFY(makeUIParams(state, "Tessel T3") == expected);
}

}  // namespace scandesk

QTEST_APPLESS_MAIN(scandesk::SettingStateTest)
#include "setting_state_test.moc"
