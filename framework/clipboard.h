#pragma once
#include "types.h"

// Puts narrow text (the ANSI code page's) on the clipboard as CF_TEXT and, converted,
// as CF_UNICODETEXT, replacing what was there. FALSE when the clipboard could not be
// opened (another program holds it) or written; then it is left as it was or empty.
// Raises CMemoryException when the text's memory cannot be had.
BOOL SetClipboardText(HWND hWndOwner, const char* pszText);
