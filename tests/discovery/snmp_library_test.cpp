// The library starts quietly and without side effects whatever MIB files and settings
// the machine and the user have: checked in a fresh process under each environment.
#include "discovery/snmp_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
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

TEST(SnmpLibraryStart, SaysNothingAndWritesNothingWhateverTheSettings) {
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
    std::string start = "env -i PATH=/usr/bin:/bin HOME=" + (root / "home").string();
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            start += std::string(" '") + name + "=" + value + "'";
        }
    }
    const auto out = root.string() + ".out";
    for (const std::string settings :
         {"", " MIBDIRS=/usr/share/snmp/mibs", " MIBDIRS=@/none",
          " MIBDIRS=@/mibs MIBS=ALL SNMPCONFPATH=@/conf", " SNMP_PERSISTENT_DIR=@/home/keep"}) {
        const std::string command = start +
                                    std::regex_replace(settings, std::regex("@"), root.string()) +
                                    " " + SCANDESK_SNMP_PRINT_OID + " >" + out + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << settings;
        std::ifstream output(out);
        // The library's own form of the identifier, and not a word more.
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}),
                  "SNMPv2-SMI::enterprises.53303.4.7.1.52\n")
            << settings;
    }
    fs::remove(out);
    EXPECT_EQ(filesBelow(root), before);
    EXPECT_TRUE(varLibSnmpExisted || !fs::exists("/var/lib/snmp"));
}

}  // namespace
}  // namespace scandesk
