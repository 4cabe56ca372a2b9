// The library starts quietly and without side effects whatever MIB files and settings
// the machine and the user have: checked in a fresh process under each environment.
#include "discovery/snmp_library.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "discovery/snmp_mib.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Every file below `dir`.
std::set<fs::path> filesBelow(const fs::path& dir) {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        files.insert(entry.path());
    }
    return files;
}

struct Setting {
    const char* name;
    std::vector<std::string> environment;  ///< "@" stands for the scratch directory
};

void PrintTo(const Setting& setting, std::ostream* out) {
    *out << setting.name;
}

class SnmpLibraryStart : public ::testing::TestWithParam<Setting> {};

TEST_P(SnmpLibraryStart, SaysNothingAndWritesNothing) {
    const testing::TempDir scratch;
    const fs::path root = scratch.path();
    // A MIB directory with a SNMPv2-SMI of its own and a maker module, and a user who
    // asked for every module and numeric identifiers.
    writeFile(root / "mibs/SNMPv2-SMI.txt", std::string(snmpMinimalSmiModule()));
    writeFile(root / "mibs/MAKER-MIB.txt",
              "MAKER-MIB DEFINITIONS ::= BEGIN\nIMPORTS enterprises FROM SNMPv2-SMI;\n"
              "maker OBJECT IDENTIFIER ::= { enterprises 53303 }\nEND\n");
    writeFile(root / "conf/snmp.conf", "mibs +ALL\nprintNumericOids yes\noidOutputFormat 4\n");
    fs::create_directories(root / "home");
    const auto before = filesBelow(root);
    const bool varLibSnmpExisted = fs::exists("/var/lib/snmp");

    std::string command = "env -i PATH=/usr/bin:/bin HOME=" + (root / "home").string();
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            command += std::string(" '") + name + "=" + value + "'";
        }
    }
    for (auto entry : GetParam().environment) {
        if (const auto at = entry.find('@'); at != std::string::npos) {
            entry.replace(at, 1, root.string());
        }
        command += " " + entry;
    }
    const auto out = root.parent_path() / (root.filename().string() + ".out");
    const int status = std::system(
        (command + " " + SCANDESK_SNMP_PRINT_OID + " >" + out.string() + " 2>&1").c_str());
    std::ifstream output(out);
    const std::string printed(std::istreambuf_iterator<char>(output), {});
    fs::remove(out);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(printed, "SNMPv2-SMI::enterprises.53303.4.7.1.52\n");  // and not a word more
    EXPECT_EQ(filesBelow(root), before);
    if (!varLibSnmpExisted) {
        EXPECT_FALSE(fs::exists("/var/lib/snmp"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SnmpLibraryStart,
    ::testing::Values(Setting{"system_mib_files", {"MIBDIRS=/usr/share/snmp/mibs"}},
                      Setting{"no_mib_files", {"MIBDIRS=@/none"}},
                      Setting{"all_modules_and_user_settings",
                              {"MIBDIRS=@/mibs", "MIBS=ALL", "SNMPCONFPATH=@/conf"}},
                      Setting{"persistent_dir_asked_for", {"SNMP_PERSISTENT_DIR=@/home/keep"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scandesk
