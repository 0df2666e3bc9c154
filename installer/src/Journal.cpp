#include "Journal.h"

namespace setup {

std::vector<std::string> Journal::Rollback() {
    std::vector<std::string> left;
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) {
        std::string failed = (*undo)();
        if (!failed.empty()) left.push_back(std::move(failed));
    }
    undo_.clear();
    commit_.clear();
    return left;
}

std::vector<std::string> Journal::Commit() {
    undo_.clear();
    auto actions = std::move(commit_);
    commit_.clear();
    std::vector<std::string> left;
    for (auto& action : actions) {
        std::string failed = action();
        if (!failed.empty()) left.push_back(std::move(failed));
    }
    return left;
}

}  // namespace setup
