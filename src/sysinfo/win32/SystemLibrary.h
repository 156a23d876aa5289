#pragma once
// The run-time library loading rules live in platform/win32/SystemLibrary.h.
#include "platform/win32/SystemLibrary.h"
