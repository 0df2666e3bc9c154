#pragma once
// Reads and writes the three drivers' latency settings under their class keys
// through quorvicore.
#include "Reservation.h"

namespace asiopanel {

// Fills every interface from its key; a missing key or value keeps what the
// model held, and latencies out of range become the default.
void loadSettings(ReservationModel& model);

// Stores every interface's block latency and reservation. A driver whose key
// does not exist is not installed, so nothing is written for it.
void storeSettings(ReservationModel& model);

}  // namespace asiopanel
