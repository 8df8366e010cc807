#pragma once
#include "../framework/cstring.h"

// The Name of a file row: the text after the last path separator. On Windows that
// is the last backslash or slash that is a character of its own in the ANSI code
// page, and only one after the first character counts; elsewhere the last slash.
CString FileNameOfPath(const char* pszPath);

// Whether a walk takes the entry: its path's last three characters are "sis" in
// any case (on Windows, characters of the ANSI code page, not bytes).
bool EndsInSis(const char* pszPath);
