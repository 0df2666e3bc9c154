#pragma once
// Ids of the resources built into the test program.
#define IDS_CAPTION 1
#define IDS_SET_PARAM_FAILED 9
#define IDS_LONG 20
