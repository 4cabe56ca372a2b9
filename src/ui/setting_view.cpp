// The settings window's widgets, wired to the choices, the rules and the session model.
#include "ui/setting_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/diagnostics.h"
#include "devices/catalogue.h"
#include "imaging/page_files.h"
#include "network/ipv4_address.h"
#include "ocr/languages.h"
#include "session/choice_rules.h"
#include "session/list_text.h"
#include "session/scan_parameter_mapping.h"
#include "session/two_pass_prompt.h"
#include "ui/add_scanner_dialog.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

const char* const kNoLocation = "<none>";
constexpr int kContentPadding = 5;

/// One chooser entry: the text shown and the value it stands for (an enumerator's value,
/// a resolution in dots per inch, a row of the scanner list).
struct Entry {
    QString text;
    int index = 0;
};

// Entries for typed values, each shown as its localised text.
template <typename E>
std::vector<Entry> localizedEntries(const std::vector<E>& values) {
    std::vector<Entry> entries;
    for (E value : values) {
        entries.push_back({displayText(std::string(toText(value))), static_cast<int>(value)});
    }
    return entries;
}

template <typename E>
std::vector<Entry> allEntries() {
    const auto values = allOptions<E>();
    return localizedEntries(std::vector<E>(values.begin(), values.end()));
}

// Entries of resolutions, shown as "300dpi".
std::vector<Entry> resolutionEntries(const std::vector<int>& dpis) {
    std::vector<Entry> entries;
    for (int dpi : dpis) {
        entries.push_back({QString::fromStdString(resolutionText(dpi)), dpi});
    }
    return entries;
}

// The file type entries: "BMP" or "JPEG" (by colour mode) for page files, then "PDF".
std::vector<Entry> fileTypeEntries(const ScanRequest& request) {
    const char* pages = request.colorMode == ColorMode::blackWhite ? "BMP" : "JPEG";
    return {{displayText(pages), static_cast<int>(FileType::image)},
            {displayText("PDF"), static_cast<int>(FileType::pdf)}};
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
    state_.request.saveDir = services_.defaultSaveDir.toStdString();
    ocrChoices_ = ocrLanguageChoices(installedLanguages());
    state_.ocrLanguages =
        defaultOcrLanguages(ocrChoices_, displayText("defaultOcrLanguages").toStdString());
    if (services_.openSettings) {
        settings_ = services_.openSettings();
        RememberedChoices choices = loadChoices(*settings_, state_);
        state_.request.saveDir = choices.state.request.saveDir;
        state_.request.prefix = choices.state.request.prefix;
        state_.searchable = choices.state.searchable;
        // Languages removed since they were chosen give the default, not pages without text.
        state_.ocrLanguages = defaultOcrLanguages(ocrChoices_, choices.state.ocrLanguages.empty()
                                                                   ? state_.ocrLanguages
                                                                   : choices.state.ocrLanguages);
        if (!choices.scannerName.empty()) {
            remembered_ = std::move(choices);
        }
    }
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMaximumSize(kMaximumWidth, kMaximumHeight);
    buildRows();
    model_ = std::make_unique<ScannerModel>(mainExecutor_, *backgroundExecutor_,
                                            services_.modelServices(), false);
    runner_ = std::make_unique<ScanRunner>(*model_, this);
    observer_ = model_->addObserver([this](ModelProperty property) { onModelChanged(property); });
    connectControls();
    render();
    // Discovery starts once the view observes the model, so no change of its run is missed.
    if (services_.startScanner) {
        addScanner(*services_.startScanner);
    } else {
        model_->autoDetectScanners();
    }
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

    // Searchable PDF: on or off, and the languages of the text.
    ocrRow_ = new QWidget(this);
    auto* ocrLayout = new QHBoxLayout(ocrRow_);
    ocrLayout->setContentsMargins(0, 0, 0, 0);
    ocrCheck_ = new QCheckBox(ocrRow_);
    ocrCheck_->setObjectName("searchablePdf");
    ocrLanguageChooser_ = new QComboBox(ocrRow_);
    ocrLanguageChooser_->setObjectName("ocrLanguages");
    ocrLanguageChooser_->setAccessibleName(displayText("ocrLanguages"));
    std::vector<Entry> languageEntries;
    for (size_t i = 0; i < ocrChoices_.size(); ++i) {
        QStringList names;
        const std::vector<std::string> codes =
            parseLanguages(ocrChoices_[i]).value_or(std::vector<std::string>{});
        for (const std::string& code : codes) {
            const QString name = displayText("language_" + code);
            names << (name.startsWith("language_") ? QString::fromStdString(code) : name);
        }
        languageEntries.push_back({names.join(" + "), static_cast<int>(i)});
    }
    showEntries(ocrLanguageChooser_, languageEntries, 0);
    ocrLayout->addWidget(ocrCheck_);
    ocrLayout->addWidget(ocrLanguageChooser_, 1);
    addRow("searchablePdf", ocrRow_, ocrCheck_);
    // The clean-up row: one box per step.
    auto* cleanUpRow = new QWidget(this);
    auto* cleanUpLayout = new QVBoxLayout(cleanUpRow);
    cleanUpLayout->setContentsMargins(0, 0, 0, 0);
    const auto addBox = [&](const char* key) {
        auto* box = new QCheckBox(displayText(key), cleanUpRow);
        box->setObjectName(key);
        cleanUpLayout->addWidget(box);
        return box;
    };
    setAsideBlankBox_ = addBox("setAsideBlankPages");
    straightenBox_ = addBox("straightenPages");
    turnUprightBox_ = addBox("turnPagesUpright");
    addRow("cleanUp", cleanUpRow, setAsideBlankBox_);

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
    const QList<QWidget*> focusOrder{
        scannerChooser_,     refreshButton_,      addButton_,         scanSourceChooser_,
        colorModeChooser_,   contentTypeChooser_, resolutionChooser_, combineTypeChooser_,
        pageSizeChooser_,    saveTypeChooser_,    ocrCheck_,          ocrLanguageChooser_,
        rotateAngleChooser_, setAsideBlankBox_,   straightenBox_,     turnUprightBox_,
        fileNameField_,      saveDirField_,       browseButton_,      scanButton_};
    for (qsizetype i = 1; i < focusOrder.size(); ++i) {
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
    }

    // Entries of the fixed lists; the others follow the selected scanner in render().
    showEntries(colorModeChooser_, allEntries<ColorMode>(), 0);
    showEntries(contentTypeChooser_, allEntries<ContentType>(), 0);
    showEntries(combineTypeChooser_, allEntries<CombineType>(), 0);
    showEntries(rotateAngleChooser_, allEntries<Rotation>(), 0);
}

void SettingView::connectControls() {
    // Each chooser reports the value its entry stands for.
    const auto onChoice = [this](QComboBox* chooser, auto apply) {
        connect(chooser, &QComboBox::currentIndexChanged, this, [this, chooser, apply](int row) {
            if (row >= 0) {
                apply(chooser->itemData(row).toInt());
                render();
            }
        });
    };
    onChoice(scannerChooser_, [this](int index) { chooseScanner(index); });
    ScanRequest& request = state_.request;
    onChoice(scanSourceChooser_, [this](int value) {
        state_.request.source = static_cast<ScanSource>(value);
        afterSourceChange(state_.request, model_->selectedScanner());
    });
    onChoice(colorModeChooser_, [this](int value) {
        state_.request.colorMode = static_cast<ColorMode>(value);
        afterColorModeChange(state_.request);
    });
    onChoice(contentTypeChooser_,
             [&request](int value) { request.content = static_cast<ContentType>(value); });
    onChoice(resolutionChooser_, [&request](int dpi) { request.dpi = dpi; });
    onChoice(combineTypeChooser_, [this](int value) {
        state_.request.combine = static_cast<CombineType>(value);
        afterCombineChange(state_.request, model_->selectedScanner());
    });
    onChoice(pageSizeChooser_,
             [&request](int value) { request.pageSize = static_cast<PageSize>(value); });
    onChoice(saveTypeChooser_,
             [&request](int value) { request.fileType = static_cast<FileType>(value); });
    onChoice(rotateAngleChooser_,
             [&request](int value) { request.rotation = static_cast<Rotation>(value); });

    connect(ocrCheck_, &QCheckBox::toggled, this, [this](bool on) {
        state_.searchable = on;
        render();
    });
    connect(ocrLanguageChooser_, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (row >= 0 && static_cast<size_t>(row) < ocrChoices_.size()) {
            state_.ocrLanguages = ocrChoices_[static_cast<size_t>(row)];
        }
    });
    const auto onBox = [this](QCheckBox* box, bool CleanUpChoices::*step) {
        connect(box, &QCheckBox::toggled, this, [this, step](bool checked) {
            state_.request.cleanUp.*step = checked;
            render();
        });
    };
    onBox(setAsideBlankBox_, &CleanUpChoices::setAsideBlank);
    onBox(straightenBox_, &CleanUpChoices::straighten);
    onBox(turnUprightBox_, &CleanUpChoices::turnUpright);

    connect(fileNameField_, &QLineEdit::textChanged, this,
            [&request](const QString& text) { request.prefix = text.toStdString(); });
    connect(saveDirField_, &QLineEdit::textChanged, this,
            [&request](const QString& text) { request.saveDir = text.toStdString(); });
    connect(refreshButton_, &QPushButton::clicked, this, [this] { refreshScanners(); });
    connect(addButton_, &QToolButton::clicked, this, [this] { addScannerByAddress(); });
    connect(browseButton_, &QPushButton::clicked, this, [this] { browseFolder(); });
    connect(scanButton_, &QPushButton::clicked, this, [this] { scan(); });
}

void SettingView::render() {
    const Device scanner = model_->selectedScanner();
    const std::vector<Device> scanners = scannerList();
    if (state_.scannerIndex < 0 || static_cast<size_t>(state_.scannerIndex) >= scanners.size()) {
        state_.scannerIndex = 0;
    }
    settleOnScanner(state_.request, scanner);
    const ScanRequest& request = state_.request;
    const RowRules rules = rowRules(scanner, request);

    std::vector<Entry> scannerEntries;
    for (size_t i = 0; i < scanners.size(); ++i) {
        scannerEntries.push_back({QString::fromStdString(scanners[i].label), static_cast<int>(i)});
    }
    showEntries(scannerChooser_, scannerEntries, state_.scannerIndex);
    showEntries(scanSourceChooser_, localizedEntries(scanner.scanSource),
                static_cast<int>(request.source));
    showEntries(colorModeChooser_, allEntries<ColorMode>(), static_cast<int>(request.colorMode));
    showEntries(contentTypeChooser_, allEntries<ContentType>(), static_cast<int>(request.content));
    showEntries(resolutionChooser_, resolutionEntries(scanner.resolutionsFor(request.source)),
                request.dpi);
    showEntries(combineTypeChooser_, allEntries<CombineType>(), static_cast<int>(request.combine));
    showEntries(pageSizeChooser_, localizedEntries(pageSizesFor(scanner, request.source)),
                static_cast<int>(request.pageSize));
    showEntries(saveTypeChooser_, fileTypeEntries(request), static_cast<int>(request.fileType));
    showEntries(rotateAngleChooser_, allEntries<Rotation>(), static_cast<int>(request.rotation));
    for (auto [box, checked] : {std::pair{setAsideBlankBox_, request.cleanUp.setAsideBlank},
                                {straightenBox_, request.cleanUp.straighten},
                                {turnUprightBox_, request.cleanUp.turnUpright}}) {
        const QSignalBlocker blocker(box);
        box->setChecked(checked);
    }
    straightenBox_->setEnabled(rules.straightenEnabled);
    showText(fileNameField_, request.prefix);
    {
        const QSignalBlocker blocker(ocrCheck_);
        ocrCheck_->setChecked(state_.searchable);
    }
    const auto language = std::find(ocrChoices_.begin(), ocrChoices_.end(), state_.ocrLanguages);
    if (language != ocrChoices_.end()) {
        const QSignalBlocker blocker(ocrLanguageChooser_);
        ocrLanguageChooser_->setCurrentIndex(static_cast<int>(language - ocrChoices_.begin()));
    }
    showText(saveDirField_, request.saveDir);

    form_->setRowVisible(combineTypeChooser_, rules.combineShown);
    form_->setRowVisible(rotateAngleChooser_, rules.rotationShown);
    form_->setRowVisible(fileNameField_, rules.fileNameShown);
    form_->setRowVisible(ocrRow_, request.fileType == FileType::pdf && !ocrChoices_.empty());
    ocrLanguageChooser_->setEnabled(state_.searchable);
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
                afterScannerChange(state_.request, selected);
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
    afterScannerChange(state_.request, chosen);
}

void SettingView::refreshScanners() {
    state_.scannerIndex = 0;
    listClearedByRefresh_ = true;
    model_->autoDetectScanners();
    render();
}

void SettingView::addScannerByAddress() {
    if (const auto answer = services_.askAddress(this)) {
        addScanner(*answer);
    }
}

void SettingView::addScanner(const ScannerAddress& answer) {
    const std::string address = answer.address.trimmed().toStdString();
    if (!isDottedIPv4(address)) {
        model_->raiseAlert("error", "invalidAddress");
        return;
    }
    // A scanner that answers no query is taken for the model the user named.
    if (const auto row = catalogueRowNamed(answer.model.toStdString())) {
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
    state_.request.saveDir = chosen->isEmpty() ? kNoLocation : chosen->toStdString();
    diagDebug("select file path = ", state_.request.saveDir);
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
    const ScanRequest request = scanRequest();
    runner_->run([request](ScannerModel& model,
                           std::stop_token stop) { return model.startScan(request, stop); },
                 request.prefix,
                 [this, request](const ScanOutcome& outcome) {
                     handOverPages(outcome, request);
                     passFinished(outcome, request.fileType == FileType::pdf);
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
    const ScanRequest request = scanRequest();
    runner_->run([request](ScannerModel& model,
                           std::stop_token stop) { return model.secondScan(request, stop); },
                 request.prefix,
                 [this, request](const ScanOutcome& outcome) {
                     handOverPages(outcome, request);
                     passFinished(outcome, request.fileType == FileType::pdf);
                 });
}

void SettingView::passFinished(const ScanOutcome& outcome, bool pdf) {
    resultFolder_.clear();
    resultPdf_.clear();
    if (outcome.succeeded() && !outcome.needsSecondPass && !outcome.files.empty()) {
        // Exactly what this scan left: its PDF and the folder holding it, or the folder of
        // its page files.
        const std::filesystem::path first(outcome.files.front());
        resultFolder_ = QString::fromStdString(first.parent_path().string());
        resultPdf_ = pdf ? QString::fromStdString(first.string()) : QString();
    }
    render();
}

ScanRequest SettingView::scanRequest() const {
    ScanRequest request = passRequest(state_);
    if (hooks_.reviewFolder) {
        if (std::optional<std::string> folder = hooks_.reviewFolder()) {
            request.saveDir = *folder;
            request.keepPages = true;
            request.ocrLanguages.clear();  // the pages under review are not recognised yet
        }
    }
    return request;
}

void SettingView::handOverPages(const ScanOutcome& outcome, const ScanRequest& request) {
    if (!request.keepPages) {
        if (outcome.succeeded() && !outcome.needsSecondPass && hooks_.savedPages) {
            hooks_.savedPages(runner_->pictures());
        }
        return;
    }
    if (outcome.needsSecondPass) {
        return;  // the first side waits for the second pass
    }
    // Every page that arrived joins the document, even from a scan that failed later.
    const std::string dir = model_->receiveDir();
    if (hooks_.reviewedPages) {
        hooks_.reviewedPages(outcome.files, request.cleanUp);
    }
    std::error_code ignored;
    std::filesystem::remove(dir, ignored);  // only when every page was taken
    if (outcome.succeeded()) {
        model_->dismissAlert();  // the status line says it; the keys stay with the pages
    }
}

std::optional<DocumentTarget> SettingView::documentTarget() const {
    const Device scanner = model_->selectedScanner();
    const ScanRequest& request = state_.request;
    const std::optional<ScanParam> param = mapScanParameter(request, scanner);
    if (!param || request.saveDir.empty() || request.saveDir == kNoLocation) {
        return std::nullopt;
    }
    DocumentTarget target;
    target.format =
        request.fileType == FileType::pdf ? DocumentFormat::pdf : DocumentFormat::pageFiles;
    target.folder = request.saveDir;
    target.prefix = request.prefix;
    target.box = mediaBoxFor(request.pageSize, pageJobFor(request, *param, "").rotation);
    return target;
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
    restored.request.saveDir = state_.request.saveDir;
    restored.request.prefix = state_.request.prefix;
    restored.scannerIndex = 0;
    for (size_t i = 0; i < scanners.size(); ++i) {
        if (remembered.remembers(scanners[i])) {
            restored.scannerIndex = static_cast<int>(i);
        }
    }
    const Device& scanner = scanners[restored.scannerIndex];
    settleOnScanner(restored.request, scanner);
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
    saveChoices(*settings_, state_, scanners[index], services_.scannerPort);
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
