// Threaded comments of a copied sheet and the workbook's list of their authors (persons). Thread and
// person ids are GUIDs; the copy keeps them unless the target already uses a thread id.
#pragma once

#include <map>
#include <set>
#include <string>

#include "package.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtThreadedComments = "application/vnd.ms-excel.threadedcomments+xml";
inline constexpr const char* kCtPersons = "application/vnd.ms-excel.person+xml";
inline constexpr const char* kCtComments = "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
inline constexpr const char* kRelPerson = "http://schemas.microsoft.com/office/2017/10/relationships/person";

class ThreadIds {
public:
    // Collects the thread ids of the target's threaded comments.
    explicit ThreadIds(const Package& target);
    // The copied part, with fresh GUIDs for threads whose ids the target already has (a copy of a
    // sheet within its own workbook, or the same sheet merged twice); replies follow their thread.
    std::string Adopt(const std::string& xml, const std::string& part);
    const std::map<std::string, std::string>& Renamed() const { return renamed_; }
    // The legacy comments part that mirrors the threads names them ("tc={id}", xr:uid): renamed too.
    std::string RenameAuthors(std::string xml, const std::string& part) const;

private:
    std::set<std::string> ids_;
    std::map<std::string, std::string> renamed_;
};

// The target's persons part after adding the source's persons it lacks; `xml` stays empty when
// nothing changes.
struct PersonsUpdate {
    std::string part;
    std::string xml;
    bool create = false;  // the target had no persons part: relationship and content type needed
};
PersonsUpdate MergePersons(const Package& source, const Package& target);
void ApplyPersons(Package& target, PersonsUpdate update);

}  // namespace zelmo::xlsx
