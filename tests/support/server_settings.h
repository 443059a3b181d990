// What the stand-in server started next is told. A server started by activation inherits the
// environment of the client that created it, so the tests hand their settings over through it.
#pragma once

#include <string>

namespace zelmo::test {

// The file the server appends its journal to; "" for none.
void SetServerJournal(const std::wstring& file);
// The server's fault rules (see standin/faults.h); "" for none.
void SetServerFaults(const std::wstring& rules);

}  // namespace zelmo::test
