#pragma once
#include <optional>
#include <string>
#include <utility>

namespace tray {

// Until the first successful monitor tick the tray holds the first failure
// it meets instead of showing it, and shows it on that tick; from then on
// failures are shown at once.
class StartUpErrors {
public:
    // True when the text is to be shown now; otherwise it is held (only the
    // first text is kept).
    bool ShowNow(const std::string& text) {
        if (complete_) return true;
        if (!held_) held_ = text;
        return false;
    }
    // Start-up is complete: the held text to show, if any.
    std::optional<std::string> Complete() {
        complete_ = true;
        return std::exchange(held_, std::nullopt);
    }
    bool complete() const { return complete_; }

private:
    bool complete_ = false;
    std::optional<std::string> held_;
};

}  // namespace tray
