// The dialog of "add by address": the scanner's address and, if it does not say, its model.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <optional>
#include <string>

#include "devices/device.h"
#include "ui/view_services.h"

namespace scandesk {

/// An address field and a model chooser whose first entry asks the scanner itself;
/// the other entries are the catalogue's models, for a scanner that answers no query.
class AddScannerDialog final : public QDialog {
  public:
    explicit AddScannerDialog(QWidget* parent);

    /// What the user entered.
    ScannerAddress answer() const;

    /// Shows the dialog modally: the answer, or nothing when cancelled.
    static std::optional<ScannerAddress> ask(QWidget* parent);

  private:
    QLineEdit* address_ = nullptr;
    QComboBox* model_ = nullptr;
};

}  // namespace scandesk
