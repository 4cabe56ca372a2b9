// Scanner records of known shapes and choice states for the window's tests.
#pragma once

#include <QString>
#include <string>

#include "devices/catalogue.h"
#include "devices/device.h"
#include "ui/setting_state.h"

namespace scandesk::testing {

/// A catalogue row by model name (both catalogues).
inline BaseDevice catalogueRow(const std::string& name) {
    return catalogueRowNamed(name).value_or(BaseDevice{});
}

/// Sources AUTO, ADF, FB; six paper sizes with "4R"; a screen; no combining.
inline Device feederScanner() {
    return Device::fromUsbRow(catalogueRow("Quillon Q7"));
}

/// The flatbed only; no screen; combines two pages.
inline Device flatbedScanner() {
    return Device::fromNetworkRow(catalogueRow("Brisk B4 Net"), "192.0.2.20");
}

/// Sources AUTO, ADF, FB and eight paper sizes with "Folio", "Legal" and "4R".
inline Device officeScanner() {
    return Device::fromNetworkRow(catalogueRow("Tessel T3"), "192.0.2.10");
}

/// The office scanner that also combines, so every row and rule can show.
inline Device combiningOfficeScanner() {
    Device device = officeScanner();
    device.supportCombine = true;
    return device;
}

/// Feeder and flatbed, no flatbed-only sizes: a source list of two.
inline Device twoSourceScanner() {
    Device device = combiningOfficeScanner();
    device.scanSource = {"AUTO", "ADF"};
    return device;
}

/// A test scanner by its short name, for table rows.
inline Device scannerNamed(const QString& name) {
    if (name == "feeder") {
        return feederScanner();
    }
    if (name == "flatbed") {
        return flatbedScanner();
    }
    if (name == "office") {
        return officeScanner();
    }
    if (name == "twoSource") {
        return twoSourceScanner();
    }
    return combiningOfficeScanner();
}

/// A state with the indices the table rows vary; the rest as a window starts.
inline SettingState stateWith(int colorMode, int source, int resolution, int pageSize, int saveType,
                              int rotate, int combine) {
    SettingState s;
    s.colorModeIndex = colorMode;
    s.scanSourceIndex = source;
    s.resolutionIndex = resolution;
    s.pageSizeIndex = pageSize;
    s.saveTypeIndex = saveType;
    s.rotateAngleIndex = rotate;
    s.combineTypeIndex = combine;
    return s;
}

}  // namespace scandesk::testing
