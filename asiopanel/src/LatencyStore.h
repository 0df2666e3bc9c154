#pragma once
// Reads and writes the three drivers' latency settings under their class keys
// through quorvicore.
#include <vector>

#include "Reservation.h"

namespace asiopanel {

// Fills every interface from its key; a missing key or value keeps what the
// model held, and latencies out of range become the default.
void loadSettings(ReservationModel& model);

// Stores every interface's block latency and reservation. A driver whose key
// does not exist is not installed, so nothing is written for it. Returns the
// installed drivers whose settings could not be written (a key made read-only
// for the user, or removed meanwhile), so the user is not left believing
// they were stored.
std::vector<Interface> storeSettings(ReservationModel& model);

}  // namespace asiopanel
