// Reading and replacing the document's list file, adopting and deleting its page files.
#include "session/document_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/diagnostics.h"
#include "imaging/page_files.h"

namespace scandesk {

namespace fs = std::filesystem;

namespace {

constexpr const char* kListName = "document.list";
constexpr const char* kHeader = "scandesk-document 1";
constexpr const char* kEnd = "end";
constexpr const char* kPagePrefix = "page-";

/// The number in a page file's name ("page-000012.jpg" gives 12), if it is one.
std::optional<long> pageNumber(const std::string& name) {
    if (name.rfind(kPagePrefix, 0) != 0) {
        return std::nullopt;
    }
    const size_t dot = name.find('.');
    const std::string digits = name.substr(5, dot == std::string::npos ? dot : dot - 5);
    if (digits.empty() || dot == std::string::npos ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::string extension = name.substr(dot);
    if (extension != ".jpg" && extension != ".bmp") {
        return std::nullopt;
    }
    return std::stol(digits);
}

/// A file name the list may name: a page file of this folder, nothing with a path.
bool isPageFileName(const std::string& name) {
    return pageNumber(name).has_value();
}

/// Copies a file through a temporary beside the destination (for moves across file systems).
std::optional<std::string> copyFile(const std::string& source, const std::string& destination) {
    Outcome<Bytes> bytes = readWholeFile(source);
    if (!bytes) {
        return bytes.error;
    }
    return writeFileAtomically(destination, *bytes.value);
}

}  // namespace

DocumentStore::DocumentStore(std::string folder) : folder_(std::move(folder)) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        diagError("cannot create the document folder ", folder_, ": ", error.message());
    }
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        if (auto number = pageNumber(entry.path().filename().string())) {
            nextNumber_ = std::max(nextNumber_, *number + 1);
        }
    }
}

std::pair<StoredList, RestoreReport> DocumentStore::restore() {
    StoredList list;
    RestoreReport report;
    std::set<std::string> named;
    std::ifstream in(pathOf(kListName));
    std::string line;
    bool ended = false;
    bool opened = false;
    if (in) {
        opened = std::getline(in, line) && line == kHeader;
        report.tornList = !opened;
    }
    while (opened && !ended && std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        std::string file;
        int turns = 0;
        fields >> kind >> file >> turns;
        if (kind == kEnd) {
            ended = true;
            continue;
        }
        const bool known = (kind == "page" || kind == "removed") && fields && isPageFileName(file);
        if (!known || !named.insert(file).second) {
            continue;  // a damaged line, or a file named twice: it counts once, where first named
        }
        std::error_code error;
        if (!fs::exists(pathOf(file), error)) {
            report.missing += kind == "page" ? 1 : 0;
            continue;
        }
        if (kind == "removed") {
            list.removed.push_back(file);
            continue;
        }
        auto facts = std::make_shared<PageFacts>();
        double skew = 0;
        int blank = 0;
        if (fields >> skew >> blank) {
            facts->skewDegrees = skew;
            facts->blank = blank != 0;
        }
        list.pages.push_back(DocumentPage{file, ((turns % 4) + 4) % 4, std::move(facts)});
    }
    report.tornList = report.tornList || (opened && !ended);

    // Page files the list does not name were added after its last write: they follow, in
    // the order they were numbered.
    std::vector<std::pair<long, std::string>> unnamed;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".", 0) == 0) {
            fs::remove(entry.path(), error);  // a write or a save that never finished
            continue;
        }
        if (auto number = pageNumber(name); number && !named.count(name)) {
            unnamed.emplace_back(*number, name);
        }
    }
    std::sort(unnamed.begin(), unnamed.end());
    for (auto& [number, name] : unnamed) {
        list.pages.push_back(DocumentPage{name});
        ++report.recovered;
    }
    // Removed pages cannot be brought back once the history is gone.
    for (const std::string& file : list.removed) {
        removeFile(file);
    }
    list.removed.clear();
    report.pages = static_cast<int>(list.pages.size());
    return {std::move(list), report};
}

std::optional<std::string> DocumentStore::writeList(const StoredList& list) {
    std::ostringstream text;
    text << kHeader << '\n';
    for (const DocumentPage& page : list.pages) {
        text << "page " << page.file << ' ' << page.quarterTurns << ' ' << page.facts->skewDegrees
             << ' ' << (page.facts->blank ? 1 : 0) << '\n';
    }
    for (const std::string& file : list.removed) {
        text << "removed " << file << " 0\n";
    }
    text << kEnd << '\n';
    const std::string bytes = text.str();
    return writeFileAtomically(pathOf(kListName), toBytes(bytes));
}

std::optional<std::string> DocumentStore::adopt(const std::string& source, std::string& error) {
    const std::string extension = fs::path(source).extension() == ".bmp" ? ".bmp" : ".jpg";
    char number[32];
    std::snprintf(number, sizeof number, "%06ld", nextNumber_++);
    const std::string name = kPagePrefix + std::string(number) + extension;
    const std::string destination = pathOf(name);
    if (::rename(source.c_str(), destination.c_str()) == 0) {
        return name;
    }
    if (errno != EXDEV) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    if (auto failed = copyFile(source, destination)) {
        error = *failed;
        return std::nullopt;
    }
    ::unlink(source.c_str());
    return name;
}

void DocumentStore::removeFile(const std::string& file) {
    std::error_code error;
    fs::remove(pathOf(file), error);
    if (error) {
        diagWarning("cannot remove ", pathOf(file), ": ", error.message());
    }
}

}  // namespace scandesk
