#include "sheet_parts.h"

#include <algorithm>
#include <map>

#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

// Relationship types of a sheet whose parts are copied along.
bool Carried(const std::string& type) {
    for (const char* t : {"drawing", "vmlDrawing", "comments", "printerSettings", "image"})
        if (IsType(type, t)) return true;
    return false;
}

std::string TypeName(const std::string& type) {
    const std::size_t slash = type.rfind('/');
    return slash == std::string::npos ? type : type.substr(slash + 1);
}

class PartCopier {
public:
    PartCopier(const Package& source, const Package& target, CarriedParts& out)
        : source_(source), target_(target), out_(out) {}

    // Copies `part` of the source (with everything it refers to) and returns its name in the target.
    std::string Copy(const std::string& part) {
        auto done = copied_.find(part);
        if (done != copied_.end()) return done->second;
        const std::string name = NewName(part);
        copied_[part] = name;
        out_.types.emplace_back(name, source_.types().TypeOf(part));
        out_.parts.emplace_back(name, source_.parts().Read(part));

        const std::string relsName = RelsPartName(part);
        if (source_.parts().Has(relsName)) {
            const Relationships rels = Relationships::Parse(source_.parts().Read(relsName), relsName);
            Relationships copy;
            for (Relationship rel : rels.All()) {
                if (!rel.external) {
                    const std::string child = source_.parts().FindName(ResolveTarget(part, rel.target));
                    if (child.empty()) continue;  // a dangling target: leave the relationship out
                    rel.target = RelativeTarget(name, Copy(child));
                }
                copy.AddWithId(rel);
            }
            out_.parts.emplace_back(RelsPartName(name), copy.Write());
        }
        return name;
    }

private:
    std::string NewName(const std::string& part) {
        const std::size_t slash = part.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash);
        std::string file = part.substr(slash + 1);
        std::string ext;
        if (const std::size_t dot = file.rfind('.'); dot != std::string::npos) {
            ext = file.substr(dot + 1);
            file.erase(dot);
        }
        while (!file.empty() && file.back() >= '0' && file.back() <= '9') file.pop_back();
        for (unsigned n = 1;; ++n) {
            const std::string candidate = folder + "/" + file + std::to_string(n) + (ext.empty() ? "" : "." + ext);
            if (target_.parts().FindName(candidate).empty() && reserved_.insert(candidate).second) return candidate;
        }
    }

    const Package& source_;
    const Package& target_;
    CarriedParts& out_;
    std::map<std::string, std::string> copied_;
    std::set<std::string> reserved_;
};

}  // namespace

CarriedParts CopyRelatedParts(const Package& source, const std::string& sourceSheetPart, const Package& target,
                              const std::string& newSheetPart) {
    CarriedParts out;
    const std::string relsName = RelsPartName(sourceSheetPart);
    if (!source.parts().Has(relsName)) return out;
    const Relationships rels = Relationships::Parse(source.parts().Read(relsName), relsName);
    PartCopier copier(source, target, out);
    for (Relationship rel : rels.All()) {
        if (!rel.external) {
            if (!Carried(rel.type)) {
                const std::string what = TypeName(rel.type);
                if (std::find(out.notCarried.begin(), out.notCarried.end(), what) == out.notCarried.end())
                    out.notCarried.push_back(what);
                continue;
            }
            const std::string part = source.parts().FindName(ResolveTarget(sourceSheetPart, rel.target));
            if (part.empty()) continue;
            rel.target = RelativeTarget(newSheetPart, copier.Copy(part));
        }
        out.keptIds.insert(rel.id);
        out.sheetRels.AddWithId(rel);
    }
    return out;
}

}  // namespace zelmo::xlsx
