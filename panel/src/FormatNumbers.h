#pragma once
// Format numbers as the pages meet them: the record keeps ten entries per
// format and the pages know seven formats, but a number read from a file
// may be anything.
#include "quorvi/SettingsRecord.h"

namespace panel {

inline constexpr int kKnownFormats = 7;

// A format the pages have pictures, labels and clock rules for.
inline bool KnownFormat(int format) { return format >= 0 && format < kKnownFormats; }
// A format with entries of its own in the record.
inline bool StoredFormat(int format) { return format >= 0 && format < quorvi::kFormats; }

}  // namespace panel
