#pragma once
// Program-wide state of the running operation, shared by the main window, the module window and the
// dialogs they start: OperationActive. It lives with the connection state, so that the device session
// logic below the windows keeps the same flag.
#include "comm/CommState.h"
