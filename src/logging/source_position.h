// Where a log call was made: file path, function name and line.
#pragma once

#include <source_location>
#include <string>
#include <string_view>

namespace scandesk {

/// The source position of a log call. The views refer to static text (the compiler's
/// source location or string literals); they are copied when a line is dispatched.
struct SourcePosition {
    std::string_view file;
    std::string_view function;
    int line = 0;

    SourcePosition() = default;
    SourcePosition(std::string_view file, std::string_view function, int line)
        : file(file), function(function), line(line) {}
    /// Implicit, so that `std::source_location::current()` can default a parameter.
    SourcePosition(const std::source_location& where)  // NOLINT(google-explicit-constructor)
        : file(where.file_name()), function(where.function_name()), line(int(where.line())) {}
};

/// The caller's name with its parameter list, without return type, scope or template
/// notes: "void ns::Model::startScan(const Params&) const" gives "startScan(const Params&)".
/// A plain name such as "startScan(uiParam:)" or "main" comes back unchanged.
std::string_view callerFunctionName(std::string_view function);

/// The function name as lines show it: cut at the first "(", then "()" appended.
std::string displayFunctionName(std::string_view function);
/// The part of a function name before its first "(".
std::string_view functionStem(std::string_view function);

}  // namespace scandesk
