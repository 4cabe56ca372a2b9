// The library starts quietly, without side effects, and prints identifiers in the form
// the catalogue match needs whatever MIB files and settings the machine has.
#include "discovery/snmp_library.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "discovery/snmp_mib.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

// A fresh directory removed at the end of the test.
class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "scandesk-snmp-lib-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the printing helper with exactly `environment` (plus the sanitizer settings).
Outcome runHelper(const fs::path& scratch, std::vector<std::string> environment) {
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    const fs::path errPath = scratch / "err.txt";
    std::string command = "env -i";
    for (const auto& entry : environment) {
        command += " '" + entry + "'";
    }
    command += std::string(" ") + SCANDESK_SNMP_PRINT_OID + " 2>" + errPath.string();
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        outcome.out += buffer;
    }
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = readFile(errPath);
    fs::remove(errPath);
    return outcome;
}

// Every file below `dir`, as paths relative to it.
std::vector<std::string> filesBelow(const fs::path& dir) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        files.push_back(fs::relative(entry.path(), dir).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Setting {
    const char* name;
    // Environment entries; "@" stands for the test's scratch directory.
    std::vector<std::string> environment;
};

class SnmpLibraryStart : public ::testing::TestWithParam<Setting> {};

TEST_P(SnmpLibraryStart, PrintsTheModuleFormQuietlyAndWritesNothing) {
    TemporaryDirectory scratch;
    ASSERT_FALSE(scratch.path().empty());
    const fs::path root = scratch.path();
    // A machine whose MIB directory has a SNMPv2-SMI of its own and a maker module that
    // would name the enterprise if it were loaded.
    writeFile(root / "fullmibs/SNMPv2-SMI.txt", std::string(snmpMinimalSmiModule()));
    writeFile(root / "fullmibs/MAKER-MIB.txt",
              "MAKER-MIB DEFINITIONS ::= BEGIN\nIMPORTS enterprises FROM SNMPv2-SMI;\n"
              "maker OBJECT IDENTIFIER ::= { enterprises 53303 }\nEND\n");
    fs::create_directories(root / "nomibs");
    // A user who asked for every module and numeric identifiers.
    writeFile(root / "conf/snmp.conf", "mibs +ALL\nprintNumericOids yes\noidOutputFormat 4\n");
    fs::create_directories(root / "home");
    const auto before = filesBelow(root);
    const bool varLibSnmpExisted = fs::exists("/var/lib/snmp");

    std::vector<std::string> environment{"PATH=/usr/bin:/bin", "HOME=" + (root / "home").string()};
    for (auto entry : GetParam().environment) {
        const auto at = entry.find('@');
        if (at != std::string::npos) {
            entry.replace(at, 1, root.string());
        }
        environment.push_back(entry);
    }
    const auto outcome = runHelper(root, environment);

    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out,
              "SNMPv2-SMI::enterprises.53303.4.7.1.52\nSNMPv2-SMI::internet.2.1.1.2.0\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(filesBelow(root), before);
    if (!varLibSnmpExisted) {
        EXPECT_FALSE(fs::exists("/var/lib/snmp"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SnmpLibraryStart,
    ::testing::Values(Setting{"system_mib_files", {"MIBDIRS=/usr/share/snmp/mibs"}},
                      Setting{"no_mib_files", {"MIBDIRS=@/nomibs"}},
                      Setting{"full_mib_set_all_modules", {"MIBDIRS=@/fullmibs", "MIBS=ALL"}},
                      Setting{"user_configuration", {"SNMPCONFPATH=@/conf", "MIBDIRS=@/fullmibs"}},
                      Setting{"persistent_dir_asked_for", {"SNMP_PERSISTENT_DIR=@/home/persist"}},
                      Setting{"library_defaults", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scandesk
