#include "win/Handle.h"
