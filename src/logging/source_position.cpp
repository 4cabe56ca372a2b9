// Caller names as filters see them and as rendered lines show them.
#include "logging/source_position.h"

namespace scandesk {
namespace {

// Characters of a C++ name (and "~" of a destructor).
bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '~';
}

// The index just past the ")" that closes the "(" at `open`, or the end of the text.
size_t closingParenthesisEnd(std::string_view text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

}  // namespace

std::string_view callerFunctionName(std::string_view function) {
    const size_t open = function.find('(');
    if (open == std::string_view::npos) {
        return function;
    }
    size_t start = open;
    while (start > 0 && isNameCharacter(function[start - 1])) {
        --start;
    }
    if (start == open) {
        // No name right before the parameter list (an operator, say): keep it whole.
        return function;
    }
    const size_t end = closingParenthesisEnd(function, open);
    return function.substr(start, end - start);
}

std::string displayFunctionName(std::string_view function) {
    std::string name(functionStem(function));
    name += "()";
    return name;
}

std::string_view functionStem(std::string_view function) {
    return function.substr(0, function.find('('));
}

}  // namespace scandesk
