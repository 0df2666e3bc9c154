#pragma once
// quorvisim.exe serving virtual boards for the length of a benchmark. The
// service is stopped however the benchmark ends, so a run that gives up
// halfway does not leave it serving for the next program.
#include <cstdio>
#include <string>

#include "vboard/QuorvisimProcess.h"

namespace bench {

class Boards {
public:
    explicit Boards(const std::string& arguments)
        : sim_(vboard::FindQuorvisim(), arguments), serving_(sim_.started() && sim_.waitServing(20000)) {
        if (!serving_) std::printf("quorvisim.exe did not start\n");
    }
    ~Boards() {
        if (!sim_.started()) return;
        vboard::QuorvisimProcess stop(vboard::FindQuorvisim(), "--stop");
        stop.waitExit(10000);
        sim_.waitExit(10000);
    }
    Boards(const Boards&) = delete;
    Boards& operator=(const Boards&) = delete;

    bool serving() const { return serving_; }

private:
    vboard::QuorvisimProcess sim_;
    bool serving_;
};

}  // namespace bench
