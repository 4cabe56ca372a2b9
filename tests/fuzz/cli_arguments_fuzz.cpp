// scandesk-cli's argument parsing: any words, separated by NUL bytes in the input.
#include "cli/cli_options.h"
#include "fuzz.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back().push_back(static_cast<char>(data[i]));
        }
    }
    const CliParse parsed = parseCliArguments(args);
    require(parsed.options.has_value() != !parsed.error.empty(),
            "either options or a reason why not");
    return 0;
}
