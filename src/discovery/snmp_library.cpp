// Starts net-snmp once, quietly and without side effects, behind one lock.
#include "discovery/snmp_library.h"

#include <cstdlib>

#include "common/diagnostics.h"
#include "common/executor.h"
#include "discovery/snmp_mib.h"

namespace scandesk {
namespace {

constexpr const char* SNMP_APPLICATION_NAME = "snmpapp";

// Hands one library log message to the diagnostic sink; nothing unwinds into the library.
int forwardLibraryMessage(int /*major*/, int /*minor*/, void* serverArg,
                          void* /*clientArg*/) noexcept {
    guarded("snmp log callback", [serverArg] {
        const auto* message = static_cast<const snmp_log_message*>(serverArg);
        if (message != nullptr && message->msg != nullptr) {
            diagf(DiagLevel::warning, "snmp library: %s", message->msg);
        }
    });
    return 0;
}

// Settings the library must hold before init_snmp reads its configuration.
void prepareLibraryStart() {
    if (const char* modules = std::getenv("MIBS"); modules == nullptr || *modules != '\0') {
        diagWarning("snmp library: MIBS was not emptied at program start; MIB modules may load");
    }
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR,
                          SNMP_HARMLESS_PERSISTENT_DIR);
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, forwardLibraryMessage,
                           nullptr);
    snmp_enable_calllog();
}

// Settings that must win over whatever the configuration files said.
void settleLibraryOutput() {
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_OID_OUTPUT_FORMAT,
                       NETSNMP_OID_OUTPUT_MODULE);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PRINT_NUMERIC_OIDS, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PRINT_FULL_OID, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PRINT_UCD_STYLE_OID, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_EXTENDED_INDEX, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_BREAKDOWN_OIDS, 0);
}

}  // namespace

void prepareSnmpEnvironment() {
    // An empty module list keeps init_snmp from hunting for (and complaining about)
    // the default MIB modules; it overrides any "mibs" line of the configuration.
    // net-snmp reads the list only from the environment, and changing the environment
    // races with every other thread's getenv: hence once, before there are threads.
    ::setenv("MIBS", "", 1);
}

std::unique_lock<std::mutex> lockSnmpLibrary() {
    static std::mutex libraryMutex;
    static bool started = false;
    std::unique_lock lock(libraryMutex);
    if (!started) {
        prepareLibraryStart();
        init_snmp(SNMP_APPLICATION_NAME);
        if (!loadSnmpMinimalSmiModule()) {
            diagWarning("snmp library: the SNMPv2-SMI names could not be loaded");
        }
        settleLibraryOutput();
        started = true;
    }
    return lock;
}

std::string printObjectId(const oid* name, size_t length) {
    char text[SPRINT_MAX_LEN] = {};
    snprint_objid(text, sizeof text, name, length);
    return text;
}

}  // namespace scandesk
