#include "faults.h"

#include <windows.h>

#include <cwchar>
#include <tuple>
#include <utility>

#include "automation_error.h"
#include "journal.h"
#include "text.h"

namespace zelmo::standin {
namespace {

std::wstring ReadRules() {
    std::wstring value(32767, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"ZELMO_STANDIN_FAULTS", value.data(), 32767);
    value.resize(length < 32767 ? length : 0);
    return value;
}

std::wstring Trim(std::wstring_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == L' ' || text[b] == L'\t')) ++b;
    while (e > b && (text[e - 1] == L' ' || text[e - 1] == L'\t')) --e;
    return std::wstring(text.substr(b, e - b));
}

// "Object.Member" or "Member": the object a rule names (empty: any) and the member.
std::pair<std::wstring, std::wstring> SplitTarget(const std::wstring& name) {
    const size_t dot = name.find(L'.');
    if (dot == std::wstring::npos) return {std::wstring(), name};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

// The subject matches the rule's text exactly or as the last part of a path.
bool SubjectMatches(std::wstring_view wanted, std::wstring_view subject) {
    if (EqualNoCase(wanted, subject)) return true;
    const size_t slash = subject.find_last_of(L"\\/");
    return slash != std::wstring_view::npos && EqualNoCase(wanted, subject.substr(slash + 1));
}

}  // namespace

Faults& Faults::Get() {
    static Faults faults(ReadRules());
    return faults;
}

Faults::Faults(std::wstring_view rules) {
    size_t start = 0;
    while (start <= rules.size()) {
        size_t end = rules.find(L';', start);
        if (end == std::wstring_view::npos) end = rules.size();
        const std::wstring entry = Trim(rules.substr(start, end - start));
        start = end + 1;
        if (entry.empty()) continue;
        Rule rule;
        std::wstring name = entry;
        // "Member#N=busy:MS" or "Member=busy:MS".
        const size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos) {
            const std::wstring kind = Trim(std::wstring_view(entry).substr(equals + 1));
            if (kind.size() < 6 || !EqualNoCase(std::wstring_view(kind).substr(0, 5), L"busy:")) continue;
            rule.busy = true;
            rule.busyMs = std::wcstoull(kind.c_str() + 5, nullptr, 10);
            name = Trim(std::wstring_view(entry).substr(0, equals));
            const size_t hash = name.find(L'#');
            rule.nth = 1;
            if (hash != std::wstring::npos) {
                rule.nth = std::wcstoul(name.c_str() + hash + 1, nullptr, 10);
                name = Trim(std::wstring_view(name).substr(0, hash));
                if (rule.nth == 0) continue;
            }
            std::tie(rule.object, rule.member) = SplitTarget(name);
            rules_.push_back(rule);
            continue;
        }
        const size_t colon = entry.find(L':');
        const size_t hash = entry.find(L'#');
        if (colon != std::wstring::npos && (hash == std::wstring::npos || colon < hash)) {
            name = Trim(entry.substr(0, colon));
            rule.subject = Trim(entry.substr(colon + 1));
            rule.bySubject = true;
        } else if (hash != std::wstring::npos) {
            name = Trim(entry.substr(0, hash));
            rule.nth = std::wcstoul(entry.c_str() + hash + 1, nullptr, 10);
            if (rule.nth == 0) continue;  // "#0" or no number: chooses nothing
        }
        std::tie(rule.object, rule.member) = SplitTarget(name);
        rules_.push_back(rule);
    }
}

bool Faults::Matches(const Rule& rule, std::wstring_view object, std::wstring_view member) const {
    return EqualNoCase(rule.member, member) && (rule.object.empty() || EqualNoCase(rule.object, object));
}

void Faults::CheckBusy(std::wstring_view object, std::wstring_view member, unsigned long long nowMs) {
    for (Rule& rule : rules_) {
        if (!rule.busy || rule.busyOver || !Matches(rule, object, member)) continue;
        ++rule.calls;
        if (!rule.refusing) {
            if (rule.calls < rule.nth) continue;
            rule.refusing = true;
            rule.refusingSince = nowMs;
        }
        if (nowMs - rule.refusingSince >= rule.busyMs) {
            rule.busyOver = true;
            Journal::Get().Write(L"server busy over for " + std::wstring(object) + L" " + std::wstring(member));
            continue;
        }
        throw AutomationError::Call(RPC_E_SERVERCALL_RETRYLATER);
    }
}

void Faults::Check(std::wstring_view object, std::wstring_view member, std::wstring_view subject,
                   unsigned long long nowMs) {
    CheckBusy(object, member, nowMs);
    for (Rule& rule : rules_) {
        if (rule.busy || !Matches(rule, object, member)) continue;
        ++rule.calls;
        bool chosen = true;
        if (rule.nth != 0) chosen = rule.calls == rule.nth;
        if (rule.bySubject) chosen = SubjectMatches(rule.subject, subject);
        if (!chosen) continue;
        std::wstring description = L"'" + std::wstring(member) + L"' は失敗しました (テスト用に注入された障害";
        if (!subject.empty()) description += L": " + std::wstring(subject);
        description += L")。";
        Journal::Get().Write(L"server fault injected in " + std::wstring(object) + L"." + std::wstring(member));
        throw AutomationError(description);
    }
}

}  // namespace zelmo::standin
