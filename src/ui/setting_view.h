// The settings window's content: scanner and scan choices, output folder, scan button.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QWidget>
#include <memory>
#include <optional>

#include "session/document_save.h"
#include "session/scanner_model.h"
#include "ui/gui_executor.h"
#include "ui/remembered_choices.h"
#include "ui/scan_runner.h"
#include "ui/setting_state.h"
#include "ui/view_services.h"

namespace scandesk {

/// One column of labelled choosers bound to the window's choices, kept consistent with
/// each other and with the selected scanner. Owns its session model (which starts a
/// discovery run as the view is created) and shows the model's alert. The choices of
/// the last run come back at start (the scanner and its options once discovery lists
/// it) and are kept again at each scan and when the view goes.
class SettingView final : public QWidget {
  public:
    /// Where the pages of a scan go besides the alert: into the document under review, or
    /// on show after a scan saved at once.
    struct ScanHooks {
        /// The folder of a reviewed scan's pages; nothing when scans are saved at once.
        std::function<std::optional<std::string>()> reviewFolder;
        /// The page files a reviewed scan left, in order.
        std::function<void(const std::vector<std::string>& files, const CleanUpChoices& cleanUp)>
            reviewedPages;
        /// The pictures of a scan that was saved at once.
        std::function<void(QList<QImage> pictures)> savedPages;
    };

    /// The content's size limits in pixels.
    static constexpr int kMinimumWidth = 350;
    static constexpr int kIdealWidth = 450;
    static constexpr int kMaximumWidth = 750;
    static constexpr int kMinimumHeight = 400;
    static constexpr int kIdealHeight = 400;
    static constexpr int kMaximumHeight = 600;
    /// Width of every chooser and text field.
    static constexpr int kControlWidth = 230;

    /// Builds the rows and the model on the given services, then starts discovery.
    explicit SettingView(const SettingViewServices& services, QWidget* parent = nullptr);
    /// Stops a running pass and keeps the choices.
    ~SettingView() override;
    SettingView(const SettingView&) = delete;
    SettingView& operator=(const SettingView&) = delete;

    QSize sizeHint() const override;

    /// The current choices.
    const SettingState& state() const { return state_; }
    /// The window's session model.
    ScannerModel& model() { return *model_; }
    /// Whether a scan pass is running.
    bool scanning() const { return runner_->busy(); }
    /// The alert on screen, if any.
    QMessageBox* alertBox() const { return alertBox_; }
    /// The progress dialog of the running scan pass, if any.
    ScanProgressDialog* progressDialog() const { return runner_->progressDialog(); }

    /// Sends the pages of each scan through these hooks.
    void setScanHooks(ScanHooks hooks) { hooks_ = std::move(hooks); }
    /// Starts a scan as the Scan button does.
    void requestScan() { scan(); }
    /// Where and how a document is saved with the present choices: the file type, folder
    /// and prefix, and the page box a scan's PDF would get. Nothing without a scanner or
    /// an output folder.
    std::optional<DocumentTarget> documentTarget() const;

  protected:
    /// Return and Enter press the default button, Scan, as in a dialog.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    /// Creates the rows, the output row and the scan button.
    void buildRows();
    /// Adds one labelled chooser row to the settings stack.
    QComboBox* addChooser(const char* objectName, const char* labelKey);
    /// Adds a row whose label's mnemonic moves the focus to `buddy`.
    void addRow(const char* labelKey, QWidget* field, QWidget* buddy);
    /// Wires every control to its choice and action.
    void connectControls();

    /// Shows the choices, the rows' visibility and enabled state, and the alert.
    void render();
    /// Opens or updates the alert while the model raises one and no pass runs.
    void renderAlert();
    /// Follows a published change of the model.
    void onModelChanged(ModelProperty property);
    /// The scanners as the window lists them: none from a refresh until its result.
    std::vector<Device> scannerList() const;

    /// The user chose a row of the scanner list.
    void chooseScanner(int index);

    /// Empties the list and starts a discovery run.
    void refreshScanners();
    /// Asks for an address and lets the model identify and add the scanner there.
    void addScannerByAddress();
    /// Adds the scanner at the address (of the model named, or as it answers) and selects it.
    void addScanner(const ScannerAddress& answer);
    /// Lets the user pick the output folder.
    void browseFolder();
    /// Checks the choices and starts a scan pass.
    void scan();
    /// Closes the alert; a two-pass prompt goes on with the second pass.
    void alertDismissed(bool confirmed);
    /// Runs the second pass with the current choices.
    void startSecondScan();
    /// Notes what a finished pass left to open, then shows its alert.
    void passFinished(const ScanOutcome& outcome, bool pdf);
    /// Hands the pages a pass left to the hooks.
    void handOverPages(const ScanOutcome& outcome, const ScanRequest& request);
    /// The scan's choices, aimed at the review folder when scans are reviewed.
    ScanRequest scanRequest() const;
    /// Opens the result's folder or PDF in the desktop's application.
    void openResult(const QString& path);

    /// Brings back the remembered choices once the first scanner list is known.
    void restoreChoices();
    /// Keeps the current choices for the next start.
    void rememberChoices();

    SettingViewServices services_;
    ScanHooks hooks_;
    SettingState state_;
    std::unique_ptr<QSettings> settings_;
    /// Choices of the last run still to apply: set until discovery first lists a scanner.
    std::optional<RememberedChoices> remembered_;
    /// What the successful scan on show in the alert left to open.
    QString resultFolder_;
    QString resultPdf_;

    // Declared in this order so that the model goes first, then the discovery threads,
    // then the queue their results are posted to.
    QObject executorContext_;
    GuiExecutor mainExecutor_;
    std::unique_ptr<Executor> backgroundExecutor_;
    std::unique_ptr<ScannerModel> model_;
    std::unique_ptr<ScanRunner> runner_;
    ObserverId observer_ = 0;
    bool listClearedByRefresh_ = false;

    QFormLayout* form_ = nullptr;
    QComboBox* scannerChooser_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QComboBox* scanSourceChooser_ = nullptr;
    QComboBox* colorModeChooser_ = nullptr;
    QComboBox* contentTypeChooser_ = nullptr;
    QComboBox* resolutionChooser_ = nullptr;
    QComboBox* combineTypeChooser_ = nullptr;
    QComboBox* pageSizeChooser_ = nullptr;
    QWidget* ocrRow_ = nullptr;
    QCheckBox* ocrCheck_ = nullptr;
    QComboBox* ocrLanguageChooser_ = nullptr;
    std::vector<std::string> ocrChoices_;  ///< the language entries, in chooser order
    QCheckBox* setAsideBlankBox_ = nullptr;
    QCheckBox* straightenBox_ = nullptr;
    QCheckBox* turnUprightBox_ = nullptr;
    QComboBox* saveTypeChooser_ = nullptr;
    QComboBox* rotateAngleChooser_ = nullptr;
    QLineEdit* fileNameField_ = nullptr;
    QLineEdit* saveDirField_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPointer<QMessageBox> alertBox_;
};

}  // namespace scandesk
