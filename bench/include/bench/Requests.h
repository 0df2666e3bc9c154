#pragma once
// How many driver requests the boards of quorvisim.exe received during one
// call, and a line of figures that ends with that count.
#include <cstddef>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "vboard/Control.h"

namespace bench {

template <class Call>
std::size_t Requests(const vboard::ControlClient& control, Call call) {
    std::string reply;
    control.command("clear-log", reply);
    call();
    return control.log().size();
}

inline void Print(const char* what, const std::vector<double>& us, std::size_t requests) {
    Print(what, us, ("  requests " + std::to_string(requests)).c_str());
}

}  // namespace bench
