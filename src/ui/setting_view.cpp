// The settings window's widgets, wired to the choices, the rules and the session model.
#include "ui/setting_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <string>
#include <utility>
#include <vector>

#include "common/diagnostics.h"
#include "devices/catalogue.h"
#include "network/ipv4_address.h"
#include "session/list_text.h"
#include "session/two_pass_prompt.h"
#include "ui/add_scanner_dialog.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

const char* const kNoLocation = "<none>";
constexpr int kContentPadding = 5;

/// One chooser entry: the text shown and the index into the list it stands for.
struct Entry {
    QString text;
    int index = 0;
};

// Entries for a list of keys, each localised, indexed by position.
std::vector<Entry> localizedEntries(const std::vector<std::string>& keys) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < keys.size(); ++i) {
        entries.push_back({displayText(keys[i]), static_cast<int>(i)});
    }
    return entries;
}

// Entries shown as they are (device labels, resolutions), indexed by position.
std::vector<Entry> plainEntries(const std::vector<std::string>& texts) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < texts.size(); ++i) {
        entries.push_back({QString::fromStdString(texts[i]), static_cast<int>(i)});
    }
    return entries;
}

// Whether the chooser already lists exactly these entries.
bool sameEntries(const QComboBox* chooser, const std::vector<Entry>& entries) {
    if (chooser->count() != static_cast<int>(entries.size())) {
        return false;
    }
    for (int i = 0; i < chooser->count(); ++i) {
        if (chooser->itemText(i) != entries[i].text ||
            chooser->itemData(i).toInt() != entries[i].index) {
            return false;
        }
    }
    return true;
}

// Lists the entries and selects the one standing for `current`, silently: only the
// user's own choices run the change rules.
void showEntries(QComboBox* chooser, const std::vector<Entry>& entries, int current) {
    const QSignalBlocker blocker(chooser);
    if (!sameEntries(chooser, entries)) {
        chooser->clear();
        for (const auto& entry : entries) {
            chooser->addItem(entry.text, entry.index);
        }
    }
    chooser->setCurrentIndex(chooser->findData(current));
}

// Sets a text field's text without moving the cursor when it already reads so.
void showText(QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (field->text() != value) {
        const QSignalBlocker blocker(field);
        field->setText(value);
    }
}

}  // namespace

SettingView::SettingView(const SettingViewServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      mainExecutor_(&executorContext_),
      backgroundExecutor_(services_.makeBackgroundExecutor()) {
    state_.saveDir = services_.defaultSaveDir.toStdString();
    if (services_.openSettings) {
        settings_ = services_.openSettings();
        RememberedChoices choices = loadChoices(*settings_, state_);
        state_.saveDir = choices.state.saveDir;
        state_.savePrefix = choices.state.savePrefix;
        if (!choices.scannerType.empty()) {
            remembered_ = std::move(choices);
        }
    }
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMaximumSize(kMaximumWidth, kMaximumHeight);
    buildRows();
    model_ = std::make_unique<ScannerModel>(mainExecutor_, *backgroundExecutor_,
                                            pdfWatch_.watch(services_.modelServices()), false);
    runner_ = std::make_unique<ScanRunner>(*model_, this);
    observer_ = model_->addObserver([this](ModelProperty property) { onModelChanged(property); });
    connectControls();
    render();
    // Discovery starts once the view observes the model, so no change of its run is missed.
    model_->autoDetectScanners();
    model_->followUsbScanners();
}

SettingView::~SettingView() {
    runner_.reset();
    rememberChoices();
    model_->removeObserver(observer_);
}

QSize SettingView::sizeHint() const {
    return {kIdealWidth, kIdealHeight};
}

QComboBox* SettingView::addChooser(const char* objectName, const char* labelKey) {
    auto* chooser = new QComboBox(this);
    chooser->setObjectName(objectName);
    chooser->setFixedWidth(kControlWidth);
    addRow(labelKey, chooser, chooser);
    return chooser;
}

void SettingView::addRow(const char* labelKey, QWidget* field, QWidget* buddy) {
    auto* label = new QLabel(displayText(labelKey), this);
    label->setBuddy(buddy);
    form_->addRow(label, field);
}

void SettingView::buildRows() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kContentPadding, kContentPadding, kContentPadding, kContentPadding);
    form_ = new QFormLayout();
    form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form_->setFormAlignment(Qt::AlignHCenter | Qt::AlignTop);
    form_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    column->addStretch(1);
    column->addLayout(form_);

    // The scanner row: chooser, refresh button, and adding a scanner by its address.
    auto* scannerRow = new QWidget(this);
    auto* scannerLayout = new QHBoxLayout(scannerRow);
    scannerLayout->setContentsMargins(0, 0, 0, 0);
    scannerChooser_ = new QComboBox(scannerRow);
    scannerChooser_->setObjectName("scanner");
    scannerChooser_->setFixedWidth(kControlWidth);
    refreshButton_ = new QPushButton(scannerRow);
    refreshButton_->setAutoDefault(true);
    refreshButton_->setObjectName("refreshScanner");
    addButton_ = new QToolButton(scannerRow);
    addButton_->setObjectName("addScannerByAddress");
    addButton_->setText("+");
    addButton_->setToolTip(displayText("addScannerByAddress"));
    addButton_->setAccessibleName(displayText("addScannerByAddress"));
    scannerLayout->addWidget(scannerChooser_);
    scannerLayout->addWidget(refreshButton_);
    scannerLayout->addWidget(addButton_);
    addRow("scanner", scannerRow, scannerChooser_);

    scanSourceChooser_ = addChooser("scanSource", "scanSource");
    colorModeChooser_ = addChooser("colorMode", "colorMode");
    contentTypeChooser_ = addChooser("contenType", "contenType");
    resolutionChooser_ = addChooser("resolution", "resolution");
    combineTypeChooser_ = addChooser("combineType", "combineType");
    pageSizeChooser_ = addChooser("pageSize", "pageSize");
    saveTypeChooser_ = addChooser("saveFileType", "saveFileType");
    rotateAngleChooser_ = addChooser("rotateAngle", "rotateAngle");

    fileNameField_ = new QLineEdit(this);
    fileNameField_->setObjectName("saveFileName");
    fileNameField_->setPlaceholderText(withoutMnemonic(displayText("saveFileName")));
    fileNameField_->setFixedWidth(kControlWidth);
    addRow("saveFileName", fileNameField_, fileNameField_);

    // The output row: directory field and folder chooser.
    auto* outputRow = new QWidget(this);
    auto* outputLayout = new QHBoxLayout(outputRow);
    outputLayout->setContentsMargins(0, 0, 0, 0);
    saveDirField_ = new QLineEdit(outputRow);
    saveDirField_->setObjectName("saveTo");
    saveDirField_->setPlaceholderText(withoutMnemonic(displayText("saveTo")));
    saveDirField_->setFixedWidth(kControlWidth);
    browseButton_ = new QPushButton(displayText("browser"), outputRow);
    browseButton_->setObjectName("browser");
    browseButton_->setAutoDefault(true);
    outputLayout->addWidget(saveDirField_);
    outputLayout->addWidget(browseButton_);
    column->addSpacing(kContentPadding);
    addRow("saveTo", outputRow, saveDirField_);

    scanButton_ = new QPushButton(displayText("scan"), this);
    scanButton_->setObjectName("scan");
    scanButton_->setDefault(true);
    column->addSpacing(kContentPadding);
    column->addWidget(scanButton_, 0, Qt::AlignHCenter);
    column->addStretch(1);

    // Tab walks the rows top to bottom, each row left to right, then Scan.
    const QList<QWidget*> focusOrder{scannerChooser_,    refreshButton_,      addButton_,
                                     scanSourceChooser_, colorModeChooser_,   contentTypeChooser_,
                                     resolutionChooser_, combineTypeChooser_, pageSizeChooser_,
                                     saveTypeChooser_,   rotateAngleChooser_, fileNameField_,
                                     saveDirField_,      browseButton_,       scanButton_};
    for (qsizetype i = 1; i < focusOrder.size(); ++i) {
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
    }

    // Entries of the fixed lists; the others follow the selected scanner in render().
    showEntries(colorModeChooser_, localizedEntries(colorModeOption()), 0);
    showEntries(contentTypeChooser_, localizedEntries(typeOption()), 0);
    showEntries(combineTypeChooser_, localizedEntries(combineTypeOption()), 0);
    showEntries(rotateAngleChooser_, localizedEntries(rotateOptionTexts()), 0);
}

void SettingView::connectControls() {
    // Each chooser reports the list index its entry stands for.
    const auto onChoice = [this](QComboBox* chooser, auto apply) {
        connect(chooser, &QComboBox::currentIndexChanged, this, [this, chooser, apply](int row) {
            if (row >= 0) {
                apply(chooser->itemData(row).toInt());
                render();
            }
        });
    };
    onChoice(scannerChooser_, [this](int index) { chooseScanner(index); });
    onChoice(scanSourceChooser_, [this](int index) { chooseScanSource(index); });
    onChoice(colorModeChooser_, [this](int index) { chooseColorMode(index); });
    onChoice(contentTypeChooser_, [this](int index) { state_.contentTypeIndex = index; });
    onChoice(resolutionChooser_, [this](int index) { state_.resolutionIndex = index; });
    onChoice(combineTypeChooser_, [this](int index) { chooseCombineType(index); });
    onChoice(pageSizeChooser_, [this](int index) { state_.pageSizeIndex = index; });
    onChoice(saveTypeChooser_, [this](int index) { state_.saveTypeIndex = index; });
    onChoice(rotateAngleChooser_, [this](int index) { state_.rotateAngleIndex = index; });

    connect(fileNameField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.savePrefix = text.toStdString(); });
    connect(saveDirField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.saveDir = text.toStdString(); });
    connect(refreshButton_, &QPushButton::clicked, this, [this] { refreshScanners(); });
    connect(addButton_, &QToolButton::clicked, this, [this] { addScannerByAddress(); });
    connect(browseButton_, &QPushButton::clicked, this, [this] { browseFolder(); });
    connect(scanButton_, &QPushButton::clicked, this, [this] { scan(); });
}

void SettingView::render() {
    const Device scanner = model_->selectedScanner();
    const std::vector<Device> scanners = scannerList();
    keepIndicesInRange(state_, scanner, scanners.size());
    const RowRules rules = rowRules(scanner, state_);

    std::vector<Entry> scannerEntries;
    for (size_t i = 0; i < scanners.size(); ++i) {
        scannerEntries.push_back({QString::fromStdString(scanners[i].label), static_cast<int>(i)});
    }
    showEntries(scannerChooser_, scannerEntries, state_.scannerIndex);
    showEntries(scanSourceChooser_, localizedEntries(scanner.scanSource), state_.scanSourceIndex);
    showEntries(colorModeChooser_, localizedEntries(colorModeOption()), state_.colorModeIndex);
    showEntries(contentTypeChooser_, localizedEntries(typeOption()), state_.contentTypeIndex);
    showEntries(resolutionChooser_, plainEntries(resolutionList(scanner, state_)),
                state_.resolutionIndex);
    showEntries(combineTypeChooser_, localizedEntries(combineTypeOption()),
                state_.combineTypeIndex);
    std::vector<Entry> pageSizes;
    for (int index : listedPageSizes(scanner, state_)) {
        pageSizes.push_back({displayText(scanner.paperSize[index]), index});
    }
    showEntries(pageSizeChooser_, pageSizes, state_.pageSizeIndex);
    showEntries(saveTypeChooser_, localizedEntries(saveTypeEntries(state_)), state_.saveTypeIndex);
    showEntries(rotateAngleChooser_, localizedEntries(rotateOptionTexts()),
                state_.rotateAngleIndex);
    showText(fileNameField_, state_.savePrefix);
    showText(saveDirField_, state_.saveDir);

    form_->setRowVisible(combineTypeChooser_, rules.combineShown);
    form_->setRowVisible(rotateAngleChooser_, rules.rotationShown);
    form_->setRowVisible(fileNameField_, rules.fileNameShown);
    scanSourceChooser_->setEnabled(rules.scanSourceEnabled);
    pageSizeChooser_->setEnabled(rules.pageSizeEnabled);
    saveTypeChooser_->setEnabled(rules.saveTypeEnabled);

    const bool finding = model_->isFinding();
    refreshButton_->setText(displayText(finding ? "Searching..." : "refreshScanner"));
    refreshButton_->setEnabled(!finding);
    addButton_->setEnabled(!finding);
    renderAlert();
}

void SettingView::renderAlert() {
    // A pass on its worker raises its outcome at the end; it shows once the pass is over.
    if (scanning() || !model_->showAlert()) {
        return;
    }
    if (!alertBox_) {
        alertBox_ = new QMessageBox(this);
        alertBox_->setObjectName("alert");
        alertBox_->setAttribute(Qt::WA_DeleteOnClose);
        alertBox_->setWindowModality(Qt::WindowModal);
        alertBox_->setTextFormat(Qt::RichText);
        auto* ok = alertBox_->addButton(displayText("ok"), QMessageBox::AcceptRole);
        ok->setObjectName("ok");
        // Shown only while the alert offers a second pass: leaves the first page waiting.
        auto* stop = alertBox_->addButton(displayText("stopTwoPass"), QMessageBox::RejectRole);
        stop->setObjectName("stop");
        // Shown only after a successful scan: its folder, and its PDF when it made one.
        auto* openFolder = alertBox_->addButton(displayText("openFolder"), QMessageBox::ActionRole);
        openFolder->setObjectName("openFolder");
        auto* openPdf = alertBox_->addButton(displayText("openPdf"), QMessageBox::ActionRole);
        openPdf->setObjectName("openPdf");
        alertBox_->setDefaultButton(ok);
        connect(alertBox_, &QMessageBox::finished, this,
                [this, box = alertBox_.data(), stop, openFolder, openPdf] {
                    const QAbstractButton* clicked = box->clickedButton();
                    if (clicked == openFolder || clicked == openPdf) {
                        openResult(clicked == openFolder ? resultFolder_ : resultPdf_);
                    }
                    alertDismissed(clicked != stop);
                });
        alertBox_->open();
    }
    const bool offersSecondPass = model_->alertAsksForSecondPass();
    auto* stop = alertBox_->findChild<QPushButton*>("stop");
    stop->setVisible(offersSecondPass);
    alertBox_->findChild<QPushButton*>("openFolder")->setVisible(!resultFolder_.isEmpty());
    alertBox_->findChild<QPushButton*>("openPdf")->setVisible(!resultPdf_.isEmpty());
    alertBox_->setEscapeButton(offersSecondPass ? stop : alertBox_->defaultButton());
    const QString title = QString::fromStdString(model_->alertTitle());
    alertBox_->setWindowTitle(title);
    alertBox_->setText("<b>" + title.toHtmlEscaped() + "</b>");
    alertBox_->setInformativeText(QString::fromStdString(model_->alertMessage()));
    // The message is shown as it stands, whatever characters it holds.
    if (auto* message = alertBox_->findChild<QLabel*>("qt_msgbox_informativelabel")) {
        message->setTextFormat(Qt::PlainText);
    }
}

std::vector<Device> SettingView::scannerList() const {
    return listClearedByRefresh_ ? std::vector<Device>{} : model_->scannerList();
}

void SettingView::onModelChanged(ModelProperty property) {
    if (property == ModelProperty::scannerList) {
        listClearedByRefresh_ = false;
        restoreChoices();
    }
    if (property == ModelProperty::scannerList || property == ModelProperty::selectedScanner) {
        // Follow the model's selection (a discovery result, a scanner added by address).
        const Device selected = model_->selectedScanner();
        const auto scanners = scannerList();
        for (size_t i = 0; i < scanners.size(); ++i) {
            if (scanners[i].id == selected.id && static_cast<int>(i) != state_.scannerIndex) {
                state_.scannerIndex = static_cast<int>(i);
                applyScannerChange(state_);
            }
        }
    }
    render();
}

void SettingView::chooseScanner(int index) {
    state_.scannerIndex = index;
    const auto scanners = scannerList();
    if (scanners.empty() || index < 0 || static_cast<size_t>(index) >= scanners.size()) {
        return;
    }
    const Device& chosen = scanners[index];
    model_->setSelectedScanner(chosen);
    diagDebug("scanner changed and selected scanner is: ", chosen.name);
    diagDebug("scanner changed and selected scanner scan source is: ",
              bracketedList(chosen.scanSource));
    applyScannerChange(state_);
}

void SettingView::chooseScanSource(int index) {
    state_.scanSourceIndex = index;
    applyScanSourceChange(state_, model_->selectedScanner());
}

void SettingView::chooseColorMode(int index) {
    state_.colorModeIndex = index;
    applyColorModeChange(state_);
}

void SettingView::chooseCombineType(int index) {
    state_.combineTypeIndex = index;
    applyCombineTypeChange(state_, model_->selectedScanner());
}

void SettingView::refreshScanners() {
    state_.scannerIndex = 0;
    listClearedByRefresh_ = true;
    model_->autoDetectScanners();
    render();
}

void SettingView::addScannerByAddress() {
    const auto answer = services_.askAddress(this);
    if (!answer) {
        return;
    }
    const std::string address = answer->address.trimmed().toStdString();
    if (!isDottedIPv4(address)) {
        model_->raiseAlert("error", "invalidAddress");
        return;
    }
    // A scanner that answers no query is taken for the model the user named.
    if (const auto row = catalogueRowNamed(answer->model.toStdString())) {
        model_->addScanner(Device::fromNetworkRow(*row, address));
        return;
    }
    model_->addScannerByAddress(address);
}

void SettingView::browseFolder() {
    const auto chosen = services_.chooseFolder(this);
    if (!chosen) {
        return;
    }
    state_.saveDir = chosen->isEmpty() ? kNoLocation : chosen->toStdString();
    diagDebug("select file path = ", state_.saveDir);
    render();
}

void SettingView::scan() {
    if (scanning()) {
        return;
    }
    const auto scanners = scannerList();
    if (const auto failure = scanCheckFailure(state_, scanners.size())) {
        model_->raiseAlert("error", *failure);
        return;
    }
    const Device& chosen = scanners[state_.scannerIndex];
    model_->setSelectedScanner(chosen);
    rememberChoices();
    const UIParams params = makeUIParams(state_, chosen.name);
    runner_->run([params](ScannerModel& model,
                          std::stop_token stop) { return model.startScan(params, stop); },
                 state_.savePrefix,
                 [this, params](const ScanOutcome& outcome) {
                     passFinished(outcome, params.saveDir,
                                  params.saveTypeIndex == kPdfSaveTypeIndex);
                 });
}

void SettingView::alertDismissed(bool confirmed) {
    const bool prompt = confirmed && model_->alertAsksForSecondPass();
    resultFolder_.clear();
    resultPdf_.clear();
    model_->dismissAlert();
    if (prompt) {
        // The prompt of a two-pass scan: its button starts the second pass.
        QTimer::singleShot(0, this, [this] { startSecondScan(); });
    }
}

void SettingView::startSecondScan() {
    const auto scanners = scannerList();
    const bool listed =
        state_.scannerIndex >= 0 && static_cast<size_t>(state_.scannerIndex) < scanners.size();
    const std::string name =
        listed ? scanners[state_.scannerIndex].name : model_->selectedScanner().name;
    const UIParams params = makeUIParams(state_, name);
    runner_->run([params](ScannerModel& model,
                          std::stop_token stop) { return model.secondScan(params, stop); },
                 state_.savePrefix,
                 [this, params](const ScanOutcome& outcome) {
                     passFinished(outcome, params.saveDir,
                                  params.saveTypeIndex == kPdfSaveTypeIndex);
                 });
}

void SettingView::passFinished(const ScanOutcome& outcome, const std::string& saveDir, bool pdf) {
    const std::string pdfPath = pdfWatch_.take();
    resultFolder_.clear();
    resultPdf_.clear();
    if (outcome.succeeded() && !outcome.needsSecondPass) {
        // A PDF scan leaves its PDF in the output folder and no receive directory.
        resultFolder_ = QString::fromStdString(pdf ? saveDir : model_->receiveDir());
        resultPdf_ = pdf ? QString::fromStdString(pdfPath) : QString();
    }
    render();
}

void SettingView::openResult(const QString& path) {
    if (!path.isEmpty() && services_.openUrl) {
        services_.openUrl(QUrl::fromLocalFile(path));
    }
}

void SettingView::restoreChoices() {
    const auto scanners = scannerList();
    if (!remembered_ || scanners.empty()) {
        return;
    }
    const RememberedChoices remembered = *std::exchange(remembered_, std::nullopt);
    SettingState restored = remembered.state;
    // Output choices came back at start and may have been edited since.
    restored.saveDir = state_.saveDir;
    restored.savePrefix = state_.savePrefix;
    restored.scannerIndex = 0;
    for (size_t i = 0; i < scanners.size(); ++i) {
        if (remembered.remembers(scanners[i])) {
            restored.scannerIndex = static_cast<int>(i);
        }
    }
    const Device& scanner = scanners[restored.scannerIndex];
    settleRestoredChoices(restored, scanner, scanners.size());
    state_ = restored;
    model_->setSelectedScanner(scanner);
}

void SettingView::rememberChoices() {
    const auto scanners = scannerList();
    // Until a list came the remembered choices stand as they were.
    const auto index = static_cast<size_t>(state_.scannerIndex);
    if (!settings_ || remembered_ || index >= scanners.size()) {
        return;
    }
    saveChoices(*settings_, state_, scanners[index]);
}

void SettingView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        scanButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace scandesk
