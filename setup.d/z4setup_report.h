// Every report the tool makes to the person running it goes through one procedure, so that the
// run decides where reports go.
#pragma once

#include "platform.h"

// Shows `text` with `caption` and the `buttons` style (MB_OK, ...), owned by `owner` (null for
// no owner); returns the button pressed.
int z4report(HWND owner, const char *text, const char *caption, UINT buttons);
