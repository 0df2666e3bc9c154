#pragma once
// Meter option values as the dialogs show them.

namespace quorvi {

inline int ClampPercent(int value) { return value < 0 ? 0 : value > 100 ? 100 : value; }

// The decay bar runs from slow (left) to fast (right): position 100 - rate.
// A rate from a damaged file is read within 0..100.
inline int DecayPosition(int rate) { return 100 - ClampPercent(rate); }
inline int DecayRate(int position) { return 100 - ClampPercent(position); }

}  // namespace quorvi
