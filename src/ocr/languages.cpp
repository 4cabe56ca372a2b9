// Finding the installed Tesseract languages and reading a language request.
#include "ocr/languages.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace scandesk {

namespace {

constexpr const char* kDefaultTessdata = "/usr/share/tesseract-ocr/5/tessdata";
constexpr const char* kTrainedSuffix = ".traineddata";
/// The orientation and script model, which recognises no text.
constexpr const char* kOrientationModel = "osd";

bool validCode(const std::string& code) {
    return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

}  // namespace

std::string tessdataDir() {
    const char* prefix = std::getenv("TESSDATA_PREFIX");
    return prefix != nullptr && *prefix != '\0' ? std::string(prefix) : kDefaultTessdata;
}

std::vector<std::string> installedLanguages(const std::string& dir) {
    std::vector<std::string> codes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        const std::string suffix = kTrainedSuffix;
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        std::string code = name.substr(0, name.size() - suffix.size());
        if (code != kOrientationModel && validCode(code)) {
            codes.push_back(std::move(code));
        }
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

std::optional<std::vector<std::string>> parseLanguages(const std::string& request) {
    std::vector<std::string> codes;
    size_t start = 0;
    while (true) {
        const size_t end = request.find('+', start);
        std::string code = request.substr(start, end == std::string::npos ? end : end - start);
        if (!validCode(code)) {
            return std::nullopt;
        }
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
            codes.push_back(std::move(code));
        }
        if (end == std::string::npos) {
            return codes;
        }
        start = end + 1;
    }
}

std::vector<std::string> missingLanguages(const std::vector<std::string>& request,
                                          const std::vector<std::string>& installed) {
    std::vector<std::string> missing;
    for (const std::string& code : request) {
        if (std::find(installed.begin(), installed.end(), code) == installed.end()) {
            missing.push_back(code);
        }
    }
    return missing;
}

std::string joinLanguages(const std::vector<std::string>& codes) {
    std::string joined;
    for (const std::string& code : codes) {
        joined += (joined.empty() ? "" : "+") + code;
    }
    return joined;
}

}  // namespace scandesk
