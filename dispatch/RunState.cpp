#include "dispatch/RunState.h"

RunState theRunState;
