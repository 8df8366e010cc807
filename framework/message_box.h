#pragma once
#include <string>

#include "types.h"

// A message box that never comes out wider than its screen: a run of text with no
// space that would not fit one line (a long path) is broken into lines after its
// backslashes, or where it must when a part between backslashes is itself too long.
// Nothing of the text is left out; only line breaks are added.
int ShowFittedMessageBox(HWND hWndOwner, const char* pszText, const char* pszCaption, UINT nType);

// The text as the box shows it, in UTF-16: lines no wider than nMaxWidth pixels in
// hFont wherever a space-free run can be broken.
std::wstring FitTextToWidth(const std::wstring& text, HFONT hFont, int nMaxWidth);
