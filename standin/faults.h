// Fault injection, so that clients can test their error paths. ZELMO_STANDIN_FAULTS holds rules
// separated by ";":
//   Member        every call of the member fails            (e.g. "Quit")
//   Member#N      the N-th call of the member fails (1-based, counted over the server's life)
//   Member:Text   calls whose subject is Text fail: the file name for Open and SaveAs (bare name or
//                 full path), the sheet's name for Copy, the index text for Item
//   Member#N=busy:MS  from the N-th call of the member on, every call of it is refused with
//                 RPC_E_SERVERCALL_RETRYLATER until MS milliseconds have passed since the first
//                 refusal; after that its calls are answered as usual ("Member=busy:MS": from the
//                 first call on). This is how a busy spreadsheet program turns calls away.
// Member may be qualified by the object ("Workbooks.Add", "Sheets.Item"); names ignore case.
// Example: ZELMO_STANDIN_FAULTS="SaveAs#2;Copy:Sheet3;Open:bad.xlsx;Add#1=busy:1500".
// A chosen call fails before it changes anything, with DISP_E_EXCEPTION and Excel's code 0x800A03EC.
// A refused call is not counted by the other rules: it never reached the member.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmo::standin {

class Faults {
public:
    static Faults& Get();
    // Counts the call and throws AutomationError when a rule chooses it. `nowMs` is a
    // millisecond clock (the busy rules' windows are measured on it).
    void Check(std::wstring_view object, std::wstring_view member, std::wstring_view subject,
               unsigned long long nowMs);

    // Parses the rules (exposed for the server's start-up journal line).
    explicit Faults(std::wstring_view rules);
    size_t size() const { return rules_.size(); }

private:
    struct Rule {
        std::wstring object;  // empty: any object
        std::wstring member;
        unsigned long nth = 0;  // 0: not by count
        std::wstring subject;   // empty: any subject
        bool bySubject = false;
        unsigned long calls = 0;
        // A busy rule refuses calls for busyMs from its first refusal, then never again.
        bool busy = false;
        unsigned long long busyMs = 0;
        bool refusing = false;
        unsigned long long refusingSince = 0;
        bool busyOver = false;
    };
    bool Matches(const Rule& rule, std::wstring_view object, std::wstring_view member) const;
    void CheckBusy(std::wstring_view object, std::wstring_view member, unsigned long long nowMs);
    std::vector<Rule> rules_;
};

}  // namespace zelmo::standin
