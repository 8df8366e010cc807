#pragma once
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

// What the tests and the benchmark hand the window as the shell would, without a
// test framework, so the benchmark can use them too.

// Dispatches every message queued for this thread.
void PumpMessages();
// A dropped set as the shell hands it over: DROPFILES, then the names, double NUL.
HDROP MakeDrop(const std::vector<std::string>& paths);
// Selects an item by path (bPath) or by item identifier list; true once the tree
// shows the item named name selected, false after 10 s.
bool SelectInFolderBrowser(HWND hBrowser, BOOL bPath, LPARAM lItem, const std::string& name);
