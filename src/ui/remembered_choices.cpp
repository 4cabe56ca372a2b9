// Reading and writing the remembered choices.
#include "ui/remembered_choices.h"

#include <array>
#include <utility>

namespace scandesk {
namespace {

// Each remembered index with its key.
std::array<std::pair<const char*, int SettingState::*>, 8> indexFields() {
    return {{{"options/scanSource", &SettingState::scanSourceIndex},
             {"options/colorMode", &SettingState::colorModeIndex},
             {"options/contentType", &SettingState::contentTypeIndex},
             {"options/resolution", &SettingState::resolutionIndex},
             {"options/pageSize", &SettingState::pageSizeIndex},
             {"options/saveType", &SettingState::saveTypeIndex},
             {"options/rotateAngle", &SettingState::rotateAngleIndex},
             {"options/combineType", &SettingState::combineTypeIndex}}};
}

// The text under `key`, or `fallback` when there is none.
std::string textValue(const QSettings& settings, const char* key, const std::string& fallback) {
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toString().toStdString() : fallback;
}

}  // namespace

bool RememberedChoices::remembers(const Device& scanner) const {
    return !scannerType.empty() && scanner.name == scannerName && scanner.type == scannerType &&
           scanner.ip == scannerIp;
}

RememberedChoices loadChoices(const QSettings& settings, const SettingState& defaults) {
    RememberedChoices choices{defaults, {}, {}, {}};
    if (settings.status() != QSettings::NoError) {
        return choices;
    }
    for (const auto& [key, field] : indexFields()) {
        bool number = false;
        const int index = settings.value(key).toInt(&number);
        if (number && index >= 0) {
            choices.state.*field = index;
        }
    }
    choices.state.savePrefix = textValue(settings, "output/prefix", defaults.savePrefix);
    choices.state.saveDir = textValue(settings, "output/folder", defaults.saveDir);
    choices.scannerName = textValue(settings, "scanner/name", {});
    choices.scannerType = textValue(settings, "scanner/type", {});
    choices.scannerIp = textValue(settings, "scanner/address", {});
    return choices;
}

void saveChoices(QSettings& settings, const SettingState& state, const Device& scanner) {
    for (const auto& [key, field] : indexFields()) {
        settings.setValue(key, state.*field);
    }
    settings.setValue("output/prefix", QString::fromStdString(state.savePrefix));
    settings.setValue("output/folder", QString::fromStdString(state.saveDir));
    settings.setValue("scanner/name", QString::fromStdString(scanner.name));
    settings.setValue("scanner/type", QString::fromStdString(scanner.type));
    settings.setValue("scanner/address", QString::fromStdString(scanner.ip));
    settings.sync();
}

}  // namespace scandesk
