// Reading and writing the remembered choices, by name.
#include "ui/remembered_choices.h"

#include <optional>

namespace scandesk {
namespace {

// The text under `key`, if there is one.
std::optional<std::string> textAt(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(key);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

// The value spelled under `key`, or `value` as it was when the key is missing or its
// text names no value.
template <typename E>
void readOption(const QSettings& settings, const char* key, E& value) {
    if (const auto text = textAt(settings, key)) {
        value = parseOption<E>(*text).value_or(value);
    }
}

// The switch under `key` ("true" or "false"); anything else leaves `value` as it was.
void readSwitch(const QSettings& settings, const char* key, bool& value) {
    if (const auto text = textAt(settings, key); text == "true" || text == "false") {
        value = text == "true";
    }
}

template <typename E>
QString spelled(E value) {
    return QString::fromStdString(std::string(toText(value)));
}

}  // namespace

bool RememberedChoices::remembers(const Device& scanner) const {
    const bool network = !scannerAddress.empty();
    return !scannerName.empty() && scanner.name == scannerName &&
           (scanner.transport == Transport::network) == network && scanner.ip == scannerAddress;
}

RememberedChoices loadChoices(const QSettings& settings, const SettingState& defaults) {
    RememberedChoices choices{defaults, {}, {}, 0};
    if (settings.status() != QSettings::NoError) {
        return choices;
    }
    ScanRequest& request = choices.state.request;
    readOption(settings, "options/source", request.source);
    readOption(settings, "options/colorMode", request.colorMode);
    readOption(settings, "options/contentType", request.content);
    readOption(settings, "options/pageSize", request.pageSize);
    readOption(settings, "options/fileType", request.fileType);
    readOption(settings, "options/rotation", request.rotation);
    readOption(settings, "options/combine", request.combine);
    if (const auto text = textAt(settings, "options/resolution")) {
        request.dpi = parseResolution(*text).value_or(request.dpi);
    }
    if (const auto text = textAt(settings, "cleanup/blank"); text == "skip" || text == "keep") {
        request.cleanUp.setAsideBlank = text == "skip";
    }
    readSwitch(settings, "cleanup/deskew", request.cleanUp.straighten);
    readSwitch(settings, "cleanup/orient", request.cleanUp.turnUpright);
    request.prefix = textAt(settings, "output/prefix").value_or(request.prefix);
    choices.state.searchable = settings.value("ocr/enabled", defaults.searchable).toBool();
    choices.state.ocrLanguages = textAt(settings, "ocr/languages").value_or(defaults.ocrLanguages);
    request.saveDir = textAt(settings, "output/folder").value_or(request.saveDir);
    choices.scannerName = textAt(settings, "scanner/name").value_or("");
    choices.scannerAddress = textAt(settings, "scanner/address").value_or("");
    bool number = false;
    const uint port = settings.value("scanner/port").toUInt(&number);
    choices.scannerPort = number && port <= 65535 ? static_cast<uint16_t>(port) : 0;
    return choices;
}

void saveChoices(QSettings& settings, const SettingState& state, const Device& scanner,
                 uint16_t port) {
    const ScanRequest& request = state.request;
    // The keys of the list positions an earlier version kept would mislead a reader.
    settings.remove("options");
    settings.setValue("options/source", spelled(request.source));
    settings.setValue("options/colorMode", spelled(request.colorMode));
    settings.setValue("options/contentType", spelled(request.content));
    settings.setValue("options/resolution", QString::fromStdString(resolutionText(request.dpi)));
    settings.setValue("options/pageSize", spelled(request.pageSize));
    settings.setValue("options/fileType", spelled(request.fileType));
    settings.setValue("options/rotation", spelled(request.rotation));
    settings.setValue("options/combine", spelled(request.combine));
    settings.setValue("cleanup/blank", request.cleanUp.setAsideBlank ? "skip" : "keep");
    settings.setValue("cleanup/deskew", request.cleanUp.straighten ? "true" : "false");
    settings.setValue("cleanup/orient", request.cleanUp.turnUpright ? "true" : "false");
    settings.setValue("output/prefix", QString::fromStdString(request.prefix));
    settings.setValue("ocr/enabled", state.searchable);
    settings.setValue("ocr/languages", QString::fromStdString(state.ocrLanguages));
    settings.setValue("output/folder", QString::fromStdString(request.saveDir));
    settings.remove("scanner");
    settings.setValue("scanner/name", QString::fromStdString(scanner.name));
    settings.setValue("scanner/address", QString::fromStdString(scanner.ip));
    if (scanner.transport == Transport::network) {
        settings.setValue("scanner/port", port);
    }
    settings.sync();
}

}  // namespace scandesk
