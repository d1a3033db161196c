// windows.h without its macros that rename the core's own names (Platform::MessageBox).
#pragma once

#include <windows.h>

#undef MessageBox
