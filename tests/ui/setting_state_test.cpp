// The window's choice rules below the widgets: the page size filter, the resolution
// and file type lists, indices kept in range and the scan parameters.
#include <QTest>

#include "test_scanners.h"
#include "ui/setting_state.h"

Q_DECLARE_METATYPE(scandesk::SettingState)

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

namespace {

using testing::scannerNamed;

constexpr int kText = 2;  // "TEXT" in the colour modes

// A state with the indices the rows below vary.
SettingState with(int colorMode, int source, int resolution, int pageSize, int saveType, int rotate,
                  int combine) {
    return testing::stateWith(colorMode, source, resolution, pageSize, saveType, rotate, combine);
}

}  // namespace

class SettingStateTest : public QObject {
    Q_OBJECT

  private slots:
    void pageSizeFilterKeepsFullListIndices_data();
    void pageSizeFilterKeepsFullListIndices();
    void resolutionsFollowTheSource();
    void fileTypeEntriesFollowTheColourMode();
    void indicesAreKeptInsideTheirLists_data();
    void indicesAreKeptInsideTheirLists();
    void uiParamsCarryTheChoicesInFieldOrder();
};

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
