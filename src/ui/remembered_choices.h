// The window's choices as they are kept between runs of the application.
#pragma once

#include <QSettings>
#include <cstdint>
#include <string>

#include "devices/device.h"
#include "ui/setting_state.h"

namespace scandesk {

/// What a window restores at start: the choices, and the scanner they were made for.
struct RememberedChoices {
    SettingState state;
    std::string scannerName;     ///< empty when no scanner was chosen
    std::string scannerAddress;  ///< empty for a USB scanner
    uint16_t scannerPort = 0;    ///< the port a network scanner was scanned at; 0 for none

    /// Whether `scanner` is the remembered one: same model on the same address, or the
    /// same model on USB.
    bool remembers(const Device& scanner) const;
};

/// The choices kept in `settings`, values spelled as the command line spells them; every
/// value that is missing, unknown or unreadable (a corrupt file, or one that kept list
/// positions instead of values, included) is the one of `defaults`.
RememberedChoices loadChoices(const QSettings& settings, const SettingState& defaults);

/// Keeps the choices and the scanner they were made for in `settings`; `port` is the
/// port network scanners are scanned at.
void saveChoices(QSettings& settings, const SettingState& state, const Device& scanner,
                 uint16_t port);

}  // namespace scandesk
