// The window's choices as they are kept between runs of the application.
#pragma once

#include <QSettings>
#include <string>

#include "devices/device.h"
#include "ui/setting_state.h"

namespace scandesk {

/// What a window restores at start: the choices, and the scanner they were made for.
struct RememberedChoices {
    SettingState state;
    std::string scannerName;
    std::string scannerType;  ///< "Net" or "USB"; empty when no scanner was chosen
    std::string scannerIp;

    /// Whether `scanner` is the remembered one: same model on the same address, or the
    /// same model on USB.
    bool remembers(const Device& scanner) const;
};

/// The choices kept in `settings`; every value that is missing or unreadable (a
/// corrupt file included) is the one of `defaults`.
RememberedChoices loadChoices(const QSettings& settings, const SettingState& defaults);

/// Keeps the choices and the scanner they were made for in `settings`.
void saveChoices(QSettings& settings, const SettingState& state, const Device& scanner);

}  // namespace scandesk
