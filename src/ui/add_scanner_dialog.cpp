// Building the "add by address" dialog.
#include "ui/add_scanner_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <set>

#include "devices/catalogue.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

// Both catalogues, the models discovery recognises first.
const std::vector<const std::vector<BaseDevice>*>& catalogues() {
    static const std::vector<const std::vector<BaseDevice>*> both{&IDDevice(), &KESTDevices()};
    return both;
}

}  // namespace

AddScannerDialog::AddScannerDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("addScannerDialog");
    setWindowTitle(displayText("addScannerByAddress"));
    auto* form = new QFormLayout(this);
    address_ = new QLineEdit(this);
    address_->setObjectName("address");
    model_ = new QComboBox(this);
    model_->setObjectName("model");
    model_->addItem(displayText("identifyModel"), QString());
    std::set<std::string> listed;
    for (const auto* catalogue : catalogues()) {
        for (const auto& row : *catalogue) {
            if (listed.insert(row.name).second) {
                model_->addItem(QString::fromStdString(row.name), QString::fromStdString(row.name));
            }
        }
    }
    auto* addressLabel = new QLabel(displayText("scannerAddress"), this);
    addressLabel->setBuddy(address_);
    auto* modelLabel = new QLabel(displayText("scannerModel"), this);
    modelLabel->setBuddy(model_);
    form->addRow(addressLabel, address_);
    form->addRow(modelLabel, model_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(displayText("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(displayText("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ScannerAddress AddScannerDialog::answer() const {
    return {address_->text(), model_->currentData().toString()};
}

std::optional<ScannerAddress> AddScannerDialog::ask(QWidget* parent) {
    AddScannerDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.answer();
}

}  // namespace scandesk
