// Rendering, filter decisions and filter bookkeeping shared by all destinations.
#include "logging/base_destination.h"

#include <algorithm>

#include "common/diagnostics.h"
#include "common/uuid.h"
#include "logging/log_entry_json.h"
#include "logging/message_format.h"

namespace scandesk {
namespace {

using ValidationType = FilterValidator::ValidationType;
using ResultKind = FilterValidator::Result::Kind;

// The file name without directories.
std::string_view lastPathComponent(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The file name cut at its first ".".
std::string_view fileNameWithoutSuffix(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    return name.substr(0, name.find('.'));
}

}  // namespace

BaseDestination::BaseDestination()
    : startDate(std::chrono::system_clock::now()),
      queue_(std::make_unique<SerialQueue>(
          "lumberly-queue-" + Uuid::random().toString(),
          SerialQueue::LineHandler{
              [this](const QueuedLine& line) {
                  send(line.level, line.msg, line.thread, line.file, line.function, line.line,
                       line.hasContext ? std::optional(line.context) : std::nullopt);
              },
              [this] { beginQueuedLines(); }, [this] { endQueuedLines(); }})) {}

std::optional<std::string> BaseDestination::send(Level level, const std::string& msg,
                                                 const std::string& thread, const std::string& file,
                                                 const std::string& function, int line,
                                                 const std::optional<std::string>& context) {
    if (format.starts_with("$J")) {
        return messageToJSON(level, msg, thread, file, function, line, context);
    }
    return formatMessage(format, level, msg, thread, file, function, line, context);
}

std::string BaseDestination::formatMessage(const std::string& format, Level level,
                                           const std::string& msg, const std::string& thread,
                                           const std::string& file, const std::string& function,
                                           int line, const std::optional<std::string>& context) {
    const std::string prefixed = "$I" + format;
    std::string text;
    text.reserve(prefixed.size() + msg.size() + 32);
    forEachFormatPhrase(prefixed, [&](const FormatPhrase& phrase) {
        std::string_view rest = phrase.rest;
        switch (phrase.token) {
            case 'I':
            case 'd':
            case 'z':
                break;
            case 'L':
                appendPadded(text, levelString.at(level), phrase.padding);
                break;
            case 'M':
                appendPadded(text, msg, phrase.padding);
                break;
            case 'T':
                appendPadded(text, thread, phrase.padding);
                break;
            case 'N':
                appendPadded(text, fileNameWithoutSuffix(file), phrase.padding);
                break;
            case 'n':
                appendPadded(text, lastPathComponent(file), phrase.padding);
                break;
            case 'F':
                appendPadded(text, function, phrase.padding);
                break;
            case 'l':
                appendPadded(text, std::to_string(line), phrase.padding);
                break;
            case 'D':
            case 'Z':
                appendPadded(text, formatter.format(rest, clock(), calendar, phrase.token == 'Z'),
                             phrase.padding);
                rest = {};
                break;
            case 'U':
                appendPadded(text,
                             elapsedText(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 clock() - startDate)),
                             phrase.padding);
                break;
            case 'C':
                text += escape;
                text += levelColor.at(level);
                break;
            case 'c':
                text += reset;
                break;
            case 'X':
                appendPadded(text, context ? trimmedBlanksAndLineBreaks(*context) : std::string(),
                             phrase.padding);
                break;
            default:
                rest = phrase.whole;
                break;
        }
        text += rest;
    });
    trimTrailingWhitespace(text);
    return text;
}

std::optional<std::string> BaseDestination::messageToJSON(
    Level level, const std::string& msg, const std::string& thread, const std::string& file,
    const std::string& function, int line, const std::optional<std::string>& context) {
    return logEntryJSON(LogEntry{clock(), level, msg, thread, file, function, line, context});
}

bool BaseDestination::shouldLevelBeLogged(Level level, std::string_view path,
                                          std::string_view function,
                                          std::optional<std::string_view> message) {
    const bool levelTaken = levelReaches(level, minLevel);
    FilterList current;
    if (anyFilters_) {
        current = filters();
    }
    if (current.empty()) {
        if (debugPrint) {
            diagDebug(levelTaken ? "filters are empty and level >= minLevel"
                                 : "filters are empty and level < minLevel");
        }
        return levelTaken;
    }
    auto results = FilterValidator::validate(
        FilterValidator::Input{std::move(current), level, path, function, message},
        {ValidationType::excluded, ValidationType::required, ValidationType::nonRequired});

    if (results[ValidationType::excluded].kind == ResultKind::someFiltersMatch) {
        if (debugPrint) {
            diagDebug("filters are not empty and message was excluded");
        }
        return false;
    }
    const auto& required = results[ValidationType::required];
    if (required.kind == ResultKind::someFiltersMatch) {
        return false;
    }
    if (required.kind == ResultKind::allFiltersMatch) {
        return true;
    }
    const auto& optional = results[ValidationType::nonRequired];
    if (optional.kind == ResultKind::allFiltersMatch) {
        return true;
    }
    if (optional.kind == ResultKind::someFiltersMatch) {
        if (optional.partial.fullMatchCount > 0) {
            return true;
        }
        if (optional.partial.conditionMatchCount > 0) {
            return false;
        }
    }
    return levelTaken;
}

void BaseDestination::addFilter(std::shared_ptr<FilterType> filter) {
    if (!filter) {
        return;
    }
    std::lock_guard lock(filtersMutex_);
    filters_.push_back(std::move(filter));
    noteFilterChange();
}

void BaseDestination::removeFilter(const std::shared_ptr<FilterType>& filter) {
    std::lock_guard lock(filtersMutex_);
    const auto found = std::find(filters_.begin(), filters_.end(), filter);
    if (found != filters_.end()) {
        filters_.erase(found);
        noteFilterChange();
    }
}

void BaseDestination::noteFilterChange() {
    anyFilters_ = !filters_.empty();
    anyMessageFilters_ = std::any_of(filters_.begin(), filters_.end(), [](const auto& filter) {
        return filter->getTarget().kind == Filter::TargetType::Kind::Message;
    });
}

FilterList BaseDestination::filters() const {
    std::lock_guard lock(filtersMutex_);
    return filters_;
}

void BaseDestination::applyColorScheme(const ColorScheme& scheme) {
    reset = scheme.reset;
    escape = scheme.escape;
    levelColor = scheme.colors;
}

}  // namespace scandesk
