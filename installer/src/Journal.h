#pragma once
// What an installation has changed so far, so that a failed step can put
// everything back and a finished one can tidy up after itself.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace setup {

// One line for the user about a step that was done.
using Report = std::function<void(const std::string&)>;

// A step that could not be done; the text says what and why, in words for
// the user.
class StepFailure : public std::runtime_error {
public:
    explicit StepFailure(const std::string& text) : std::runtime_error(text) {}
};

class Journal {
public:
    // Undoes one change; returns an empty text when it worked, else what
    // could not be put back.
    using Undo = std::function<std::string()>;

    void Done(Undo undo) { undo_.push_back(std::move(undo)); }
    // Runs once every step has worked, in the order given; it returns an
    // empty text, or what it could not finish.
    void OnCommit(Undo action) { commit_.push_back(std::move(action)); }

    // Undoes every change, newest first, even when one cannot be undone;
    // returns what could not be put back.
    std::vector<std::string> Rollback();
    // Forgets the undo steps and runs the commit actions; returns what they
    // could not finish.
    std::vector<std::string> Commit();

private:
    std::vector<Undo> undo_;
    std::vector<Undo> commit_;
};

}  // namespace setup
