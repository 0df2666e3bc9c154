#pragma once
// Registry subtrees as Wine's own reg tool reads them back, key by key.
#include <map>
#include <string>
#include <vector>

namespace audioxhost {

// key path -> value name ("(Default)" for the default) -> data
using RegistryTree = std::map<std::string, std::map<std::string, std::string>>;

// `reg query KEY /s` for each key, in one run of the tool; keys that do not
// exist are absent from the result.
RegistryTree RegDump(const std::vector<std::string>& keys);
// Whether reg finds the key.
bool RegKeyFound(const std::string& key);

}  // namespace audioxhost
