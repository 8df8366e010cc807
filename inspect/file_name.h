#pragma once
#include "../framework/cstring.h"

// The Name of a file row: the text after the last path separator. On Windows that
// is the last backslash or slash that is a character of its own in the ANSI code
// page, and only one after the first character counts; elsewhere the last slash.
CString FileNameOfPath(const char* pszPath);
