#include "package.h"

#include <cstring>
#include <set>

#include "messages.h"
#include "strict.h"
#include "xml_util.h"

namespace zelmo::xlsx {
namespace {

constexpr const char* kCtMain = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kCtTemplate =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
constexpr const char* kCtMacro = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
constexpr const char* kCtMacroTemplate = "application/vnd.ms-excel.template.macroEnabled.main+xml";
constexpr const char* kCtAddIn = "application/vnd.ms-excel.addin.macroEnabled.main+xml";
constexpr const char* kCtBinary = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";

// Elements of the workbook part that follow definedNames, for inserting it in schema order.
constexpr const char* kAfterDefinedNames[] = {"calcPr", "oleSize", "customWorkbookViews", "pivotCaches",
                                               "smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                               "webPublishObjects", "extLst"};

constexpr const char* kAfterPivotCaches[] = {"smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                             "webPublishObjects", "extLst"};

std::string ReadOptional(const PartStore& parts, const std::string& name) {
    return parts.Has(name) ? parts.Read(name) : std::string();
}

}  // namespace

std::unique_ptr<Package> Package::Load(std::unique_ptr<PartStore> parts) {
    auto p = std::make_unique<Package>();
    const std::string ctName = parts->FindName("[Content_Types].xml");
    const std::string rootRels = parts->FindName("_rels/.rels");
    if (ctName.empty() || rootRels.empty()) throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);
    p->types_ = ContentTypes::Parse(parts->Read(ctName));
    // A Strict package is read as its transitional equivalent (translated once, here).
    bool translated = IsStrictPackage(parts->Read(rootRels), {});
    if (translated) TranslateStrictPackage(*parts, p->types_, rootRels);
    const Relationships rels = Relationships::Parse(parts->Read(rootRels), rootRels);
    const Relationship* doc = rels.FirstOfType("officeDocument");
    if (!doc) throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);
    p->workbookPart_ = parts->FindName(ResolveTarget("", doc->target));
    if (p->workbookPart_.empty()) throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);
    const std::string type = p->types_.TypeOf(p->workbookPart_);
    if (type == kCtBinary) throw Error(ErrorKind::UnsupportedFormat, msg::kXlsb);
    if (type == kCtMacro || type == kCtMacroTemplate || type == kCtAddIn)
        throw Error(ErrorKind::UnsupportedFormat, msg::kXlsm);
    if (type != kCtMain && type != kCtTemplate) throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);

    std::string workbookXml = parts->Read(p->workbookPart_);
    // Strict parts under transitional relationships: translated all the same.
    if (!translated && IsStrictPackage({}, workbookXml)) {
        TranslateStrictPackage(*parts, p->types_, rootRels);
        workbookXml = parts->Read(p->workbookPart_);
    }
    ParseXml(p->workbook_, workbookXml, p->workbookPart_);
    pugi::xml_node root = p->workbook_.document_element();
    p->prefix_ = ElementPrefix(root);
    if (LocalName(root.name()) != "workbook") throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);
    const std::string wbRels = RelsPartName(p->workbookPart_);
    p->workbookRels_ = Relationships::Parse(ReadOptional(*parts, wbRels), wbRels);
    p->parts_ = std::move(parts);

    const auto sheets = p->SheetEntries();
    if (sheets.empty()) throw Error(ErrorKind::Corrupt, msg::Corrupt("シートがありません"));
    // Each sheet has a part of its own: removing or rewriting one sheet must not change another.
    std::set<std::string> sheetParts;
    for (const auto& s : sheets) {
        if (s.part.empty() || !p->parts_->Has(s.part))
            throw Error(ErrorKind::Corrupt, msg::Corrupt("シート「" + s.name + "」の部品がありません"));
        if (!sheetParts.insert(s.part).second)
            throw Error(ErrorKind::Corrupt, msg::Corrupt("シート「" + s.name + "」が別のシートの部品を指しています"));
    }
    return p;
}

std::string Package::relPrefix() const { return RelationshipPrefix(workbook_.document_element()); }

pugi::xml_node Package::SheetsNode() const { return Child(workbook_.document_element(), "sheets"); }

pugi::xml_node Package::WorkbookView() const {
    return Child(Child(workbook_.document_element(), "bookViews"), "workbookView");
}

std::vector<SheetEntry> Package::SheetEntries() const {
    std::vector<SheetEntry> out;
    const std::string rid = relPrefix() + "id";
    for (pugi::xml_node s = SheetsNode().first_child(); s; s = s.next_sibling()) {
        if (LocalName(s.name()) != "sheet") continue;
        SheetEntry e;
        e.node = s;
        e.name = s.attribute("name").value();
        e.relId = s.attribute(rid.c_str()).value();
        e.state = s.attribute("state") ? s.attribute("state").value() : "visible";
        if (const Relationship* rel = workbookRels_.ById(e.relId); rel && !rel->external) {
            e.part = parts_->FindName(ResolveTarget(workbookPart_, rel->target));
            e.relType = rel->type;
            if (IsType(rel->type, "chartsheet")) e.kind = SheetKind::Chartsheet;
            else if (IsType(rel->type, "dialogsheet")) e.kind = SheetKind::Dialog;
            else if (IsType(rel->type, "xlMacrosheet") || IsType(rel->type, "xlIntlMacrosheet"))
                e.kind = SheetKind::Macro;
        }
        out.push_back(std::move(e));
    }
    return out;
}

pugi::xml_node Package::DefinedNames(bool create) {
    pugi::xml_node root = workbook_.document_element();
    pugi::xml_node names = Child(root, "definedNames");
    if (names || !create) return names;
    const std::string name = prefix_ + "definedNames";
    for (const char* after : kAfterDefinedNames)
        if (pugi::xml_node next = Child(root, after)) return root.insert_child_before(name.c_str(), next);
    return root.append_child(name.c_str());
}

pugi::xml_node Package::ExternalReferences(bool create) {
    pugi::xml_node root = workbook_.document_element();
    pugi::xml_node refs = Child(root, "externalReferences");
    if (refs || !create) return refs;
    const std::string name = prefix_ + "externalReferences";
    if (pugi::xml_node next = Child(root, "definedNames")) return root.insert_child_before(name.c_str(), next);
    for (const char* after : kAfterDefinedNames)
        if (pugi::xml_node next = Child(root, after)) return root.insert_child_before(name.c_str(), next);
    return root.append_child(name.c_str());
}

pugi::xml_node Package::PivotCaches(bool create) {
    pugi::xml_node root = workbook_.document_element();
    pugi::xml_node caches = Child(root, "pivotCaches");
    if (caches || !create) return caches;
    const std::string name = prefix_ + "pivotCaches";
    for (const char* after : kAfterPivotCaches)
        if (pugi::xml_node next = Child(root, after)) return root.insert_child_before(name.c_str(), next);
    return root.append_child(name.c_str());
}

Styles& Package::styles() {
    if (styles_) return *styles_;
    const Relationship* rel = workbookRels_.FirstOfType("styles");
    std::string part = rel ? parts_->FindName(ResolveTarget(workbookPart_, rel->target)) : std::string();
    if (part.empty()) {
        // A package without styles gets the default ones, so copied formats have somewhere to go.
        part = FreePartName("xl", "styles", "xml");
        parts_->Write(part, DefaultStylesXml());
        if (rel) workbookRels_.Remove(rel->id);
        workbookRels_.Add(std::string(kRelBase) + "styles", RelativeTarget(workbookPart_, part));
        types_.SetOverride(part, kCtStyles);
    }
    styles_ = Styles::Parse(parts_->Read(part), part);
    return *styles_;
}

SharedStrings& Package::sharedStrings() {
    if (sharedStrings_) return *sharedStrings_;
    const Relationship* rel = workbookRels_.FirstOfType("sharedStrings");
    std::string part = rel ? parts_->FindName(ResolveTarget(workbookPart_, rel->target)) : std::string();
    if (part.empty()) {
        part = "xl/sharedStrings.xml";
        if (parts_->Has(part)) part = FreePartName("xl", "sharedStrings", "xml");
        if (rel) workbookRels_.Remove(rel->id);
        workbookRels_.Add(std::string(kRelBase) + "sharedStrings", RelativeTarget(workbookPart_, part));
        types_.SetOverride(part, kCtSharedStrings);
        sharedStrings_ = std::make_unique<SharedStrings>();
        parts_->Write(part, sharedStrings_->Write());
    } else {
        sharedStrings_ = std::make_unique<SharedStrings>(SharedStrings::Parse(parts_->Read(part), part));
    }
    sharedStringsPart_ = part;
    return *sharedStrings_;
}

std::string Package::FreePartName(const std::string& folder, const std::string& stem, const std::string& ext) const {
    for (unsigned n = 1;; ++n) {
        const std::string name = folder + "/" + stem + std::to_string(n) + "." + ext;
        if (parts_->FindName(name).empty()) return name;
    }
}

std::uint32_t Package::NextSheetId() const {
    std::uint32_t max = 0;
    for (const auto& s : SheetEntries()) {
        std::uint32_t id = 0;
        if (ParseIndex(s.node.attribute("sheetId").value(), id) && id > max) max = id;
    }
    return max + 1;
}

void Package::DropCalcChain() {
    if (const Relationship* rel = workbookRels_.FirstOfType("calcChain")) {
        const std::string part = ResolveTarget(workbookPart_, rel->target);
        parts_->Remove(parts_->FindName(part));
        types_.RemoveOverride(part);
        workbookRels_.Remove(rel->id);
    }
}

bool Package::Date1904() const {
    const pugi::xml_attribute a = Child(workbook_.document_element(), "workbookPr").attribute("date1904");
    return a && (std::strcmp(a.value(), "1") == 0 || std::strcmp(a.value(), "true") == 0);
}

void Package::AdoptLookOf(const Package& source, bool dateSystem) {
    styles();  // makes sure this workbook has a styles part and its relationship
    const Styles& look = source.styles();
    const Relationship* mine = workbookRels_.FirstOfType("styles");
    const Relationship* theirs = source.workbookRels_.FirstOfType("styles");
    const std::string minePart = parts_->FindName(ResolveTarget(workbookPart_, mine->target));
    const std::string theirPart =
        theirs ? source.parts_->FindName(ResolveTarget(source.workbookPart_, theirs->target)) : std::string();
    if (!look.Changed() && !theirPart.empty() && !minePart.empty()) {
        // The source's styles as it stores them: saved as its compressed bytes unless a later copy
        // adds records.
        parts_->CopyFrom(minePart, source.parts_, theirPart);
        styles_ = Styles::Parse(source.parts_->Read(theirPart), minePart);
    } else {
        styles_ = Styles::Parse(const_cast<Styles&>(look).Write(), "styles");
        styles_->MarkChanged();
    }
    if (const Relationship* theme = source.workbookRels_.FirstOfType("theme")) {
        const std::string from = source.parts_->FindName(ResolveTarget(source.workbookPart_, theme->target));
        if (!from.empty() && !workbookRels_.FirstOfType("theme")) {
            const std::string part = FreePartName("xl/theme", "theme", "xml");
            parts_->CopyFrom(part, source.parts_, from);
            types_.SetOverride(part, source.types_.TypeOf(from));
            // A theme may fill shapes with pictures: they come along under free names.
            if (const std::string rels = RelsPartName(from); source.parts_->Has(rels)) {
                Relationships copy;
                const Relationships all = Relationships::Parse(source.parts_->Read(rels), rels);
                for (Relationship rel : all.All()) {
                    if (!rel.external) {
                        const std::string child = source.parts_->FindName(ResolveTarget(from, rel.target));
                        if (child.empty()) continue;
                        const std::size_t slash = child.rfind('/'), dot = child.rfind('.');
                        const std::string ext = dot == std::string::npos || dot < slash ? "bin" : child.substr(dot + 1);
                        const std::string name = FreePartName(child.substr(0, slash), "theme_image", ext);
                        parts_->CopyFrom(name, source.parts_, child);
                        types_.Ensure(name, source.types_.TypeOf(child));
                        rel.target = RelativeTarget(part, name);
                    }
                    copy.AddWithId(rel);
                }
                parts_->Write(RelsPartName(part), copy.Write());
            }
            workbookRels_.Add(theme->type, RelativeTarget(workbookPart_, part));
        }
    }
    if (dateSystem && source.Date1904()) {
        pugi::xml_node root = workbook_.document_element();
        pugi::xml_node pr = Child(root, "workbookPr");
        if (!pr) {
            pugi::xml_node before = Child(root, "workbookProtection");
            if (!before) before = Child(root, "bookViews");
            if (!before) before = Child(root, "sheets");
            pr = root.insert_child_before((prefix_ + "workbookPr").c_str(), before);
        }
        pr.remove_attribute("date1904");
        pr.append_attribute("date1904") = "1";
    }
}

void Package::ReuseSharedStringsPartOf(const Package& source) {
    if (!sharedStrings_ || source.sharedStringsPart_.empty() || !source.parts_->Has(source.sharedStringsPart_)) return;
    parts_->CopyFrom(sharedStringsPart_, source.parts_, source.sharedStringsPart_);
    sharedStrings_->MarkSaved();
}

void Package::RestoreStyles(const std::string& xml, bool changed) {
    styles_ = Styles::Parse(xml, "styles");
    if (changed) styles_->MarkChanged();
}

std::string Package::Save() {
    parts_->Write(workbookPart_, WriteXml(workbook_));
    parts_->Write(RelsPartName(workbookPart_), workbookRels_.Write());
    if (styles_ && styles_->Changed()) {
        const Relationship* rel = workbookRels_.FirstOfType("styles");
        parts_->Write(parts_->FindName(ResolveTarget(workbookPart_, rel->target)), styles_->Write());
    }
    if (sharedStrings_ && sharedStrings_->Changed()) parts_->Write(sharedStringsPart_, sharedStrings_->Write());
    parts_->Write(parts_->FindName("[Content_Types].xml"), types_.Write());
    return parts_->Save();
}

}  // namespace zelmo::xlsx
