// Lets the virtual scanner's protocol engine play a scripted USB scanner.
#pragma once

#include <memory>

#include "emulator/scanner_engine.h"
#include "support/scripted_usb_scanner.h"

namespace scandesk::testing {

/// Host writes go into the engine; its units answer the bulk-IN reads, one unit a read.
inline void driveByEngine(ScriptedScanner& scanner,
                          std::shared_ptr<emulator::ScannerEngine> engine) {
    scanner.setResponder([engine](const Bytes& written) {
        engine->receive(written);
        return std::vector<InUnit>{};
    });
    scanner.setUnitSource([engine]() -> std::optional<InUnit> {
        if (auto unit = engine->nextUnit()) {
            return InUnit::data(std::move(*unit));
        }
        return std::nullopt;
    });
}

}  // namespace scandesk::testing
