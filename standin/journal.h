// The call journal. When ZELMO_STANDIN_JOURNAL names a file, every automation call is appended to
// it as one UTF-8 line:
//   <ms since start> <object>.<member> <kind>(<args with VARIANT types>) lcid=<LCID> -> <result>
// e.g.  812 Workbook "Book1".SaveAs METHOD(Filename=VT_BSTR:"C:\out.xlsx", AccessMode:=VT_I4:1) lcid=1033 -> VT_EMPTY
// Failures end in "-> error 0x800A03EC "<description>"", and the server's own events (start, exit,
// references still held at exit, injected faults) are lines of their own starting with "server".
// The file is opened for each line, so a client can read it while the server runs.
#pragma once

#include <string>
#include <string_view>

namespace zelmo::standin {

class Journal {
public:
    // Reads the variable once; without it every Write does nothing.
    static Journal& Get();
    bool enabled() const { return !path_.empty(); }
    void Write(std::wstring_view line);

private:
    Journal();
    std::wstring path_;
    unsigned long long start_;
};

}  // namespace zelmo::standin
