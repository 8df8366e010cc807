#pragma once
#include <functional>
#include <string>

// Walks a folder depth-first the way the window's directory scan does: each
// folder's entries in the order a Windows volume lists them (names compared in
// upper case), a sub-folder walked where it stands, and every other entry whose
// path ends in "sis" in any case handed to onFile. A folder is never a file, even
// when its name ends in "sis". Nothing changes the current directory, so files
// may be read on other threads meanwhile.
//
// onProblem gets one line per entry that cannot be taken: a folder that cannot be
// read, a link back to a folder on the walked path (natively; it would never
// end), and anything that is not a plain file (a FIFO, socket or device), which is
// never opened, so the walk never waits on it.
void WalkFolder(const std::string& strFolder, const std::function<void(const std::string&)>& onFile,
                const std::function<void(const std::string&)>& onProblem);

// Whether a path names a folder (following links), without opening it.
bool IsFolder(const char* pszPath);

// The window's extension test: the last three characters, without regard to case.
bool HasPackageExtension(const std::string& strPath);

// Whether a sorts before b in the order of a Windows volume's listing.
bool ListsBefore(const std::string& a, const std::string& b);
