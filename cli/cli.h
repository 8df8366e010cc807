#pragma once
#include <ostream>

// The console companion: the six texts of a file row, per FILE, for scripts.
// Returns the exit status: 0, 1 when any FILE failed, 2 for a usage error.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
