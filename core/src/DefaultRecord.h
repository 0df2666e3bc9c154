#pragma once
#include "quorvi/SettingsRecord.h"

namespace quorvi {

// The record of factory values: every byte not listed is zero.
void BuildDefaultRecord(SettingsRecord& record);

}  // namespace quorvi
