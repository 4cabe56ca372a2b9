// Looking the option values up in what the selected scanner offers.
#include "cli/scan_choices.h"

#include <algorithm>
#include <vector>

#include "session/choice_rules.h"

namespace scandesk {
namespace {

// The value's spelling on the command line.
std::string spelled(int dpi) {
    return resolutionText(dpi);
}

template <typename E>
std::string spelled(E value) {
    return std::string(toText(value));
}

// "A, B, C".
template <typename T>
std::string joined(const std::vector<T>& values) {
    std::string text;
    for (const T& value : values) {
        text += (text.empty() ? "" : ", ") + spelled(value);
    }
    return text;
}

// Finds the value spelled `text` among `allowed`: it, the first allowed value when no
// text was given, or a usage error listing the allowed values.
template <typename T>
bool lookUp(const char* option, const std::optional<std::string>& text,
            const std::vector<T>& allowed, T& value, std::string& error) {
    if (!text) {
        value = allowed.empty() ? T{} : allowed.front();
        return true;
    }
    const auto it = std::find_if(allowed.begin(), allowed.end(),
                                 [&](const T& candidate) { return spelled(candidate) == *text; });
    if (it == allowed.end()) {
        error =
            std::string(option) + ": '" + *text + "' is not offered; allowed: " + joined(allowed);
        return false;
    }
    value = *it;
    return true;
}

template <typename E>
std::vector<E> every() {
    const auto values = allOptions<E>();
    return {values.begin(), values.end()};
}

}  // namespace

ChoicesOutcome scanChoices(const CliOptions& o, const Device& scanner, const std::string& saveDir) {
    ScanRequest request;
    request.saveDir = saveDir;
    request.prefix = o.prefix;
    request.ocrLanguages = o.ocr.value_or("");
    request.cleanUp = CleanUpChoices{o.blank == "skip", o.deskew, o.orient};
    // A scanner that cannot combine offers only "NoCombine".
    const std::vector<CombineType> combinations =
        scanner.supportCombine ? every<CombineType>() : std::vector{CombineType::none};
    std::string error;
    const bool fine =
        lookUp("--source", o.source, scanner.scanSource, request.source, error) &&
        lookUp("--mode", o.mode, every<ColorMode>(), request.colorMode, error) &&
        lookUp("--content", o.content, every<ContentType>(), request.content, error) &&
        lookUp("--page-size", o.pageSize, scanner.paperSize, request.pageSize, error) &&
        lookUp("--format", o.format, every<FileType>(), request.fileType, error) &&
        lookUp("--rotate", o.rotate, every<Rotation>(), request.rotation, error) &&
        lookUp("--combine", o.combine, combinations, request.combine, error) &&
        lookUp("--resolution", o.resolution, scanner.resolutionsFor(request.source), request.dpi,
               error);
    if (!fine) {
        return {std::nullopt, error};
    }
    // The window never sends such a request, so neither does the command line.
    if (const auto conflict = findConflict(request, scanner)) {
        return {std::nullopt, std::string(conflictText(*conflict))};
    }
    return {request, ""};
}

}  // namespace scandesk
