#include "RegistryDump.h"

#include <sstream>

#include "testkit/Process.h"
#include "testkit/SystemDir.h"

namespace audioxhost {

namespace {

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \r\n");
    size_t last = text.find_last_not_of(" \r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

RegistryTree RegDump(const std::vector<std::string>& keys) {
    const std::string file = testkit::SystemFilePath("audioxreg.txt");
    std::string command = "/c type nul > \"" + file + "\"";
    for (const std::string& key : keys) command += " & reg query \"" + key + "\" /s >> \"" + file + "\"";
    testkit::RunProgram(testkit::SystemFilePath("cmd.exe"), command);
    auto bytes = testkit::ReadSystemFile("audioxreg.txt");
    DeleteFileA(file.c_str());

    RegistryTree tree;
    std::istringstream lines(bytes ? std::string(bytes->begin(), bytes->end()) : std::string());
    std::string line, key;
    while (std::getline(lines, line)) {
        if (line.rfind("HKEY_", 0) == 0) {
            key = Trim(line);
            tree[key];
        } else if (!key.empty() && line.rfind("    ", 0) == 0) {
            // NAME    TYPE    DATA, the fields apart by four blanks.
            std::string rest = line.substr(4);
            size_t nameEnd = rest.find("    ");
            size_t dataStart = rest.find("    ", nameEnd + 4);
            if (nameEnd == std::string::npos || dataStart == std::string::npos) continue;
            tree[key][rest.substr(0, nameEnd)] = Trim(rest.substr(dataStart + 4));
        }
    }
    return tree;
}

bool RegKeyFound(const std::string& key) {
    testkit::RunResult run =
        testkit::RunProgram(testkit::SystemFilePath("cmd.exe"), "/c reg query \"" + key + "\" > nul");
    return run.finished && run.exitCode == 0;
}

}  // namespace audioxhost
