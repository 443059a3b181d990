#include "copy_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "zip_fixture.h"

namespace zelmo::xlsx::test {

Workbook Real(const std::string& name) { return Workbook::OpenFile(std::string(ZELMO_XLSX_DATA) + "/" + name); }

pugi::xml_document Xml(const std::string& bytes, const std::string& name) {
    pugi::xml_document doc;
    doc.load_string(ReadPart(bytes, name).c_str());
    return doc;
}

std::vector<std::string> PartsUnder(const std::string& bytes, const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& n : PartNames(bytes))
        if (n.rfind(folder, 0) == 0 && n.find("/_rels/") == std::string::npos) out.push_back(n);
    std::sort(out.begin(), out.end());
    return out;
}

void ExpectValidPackage(const std::string& bytes) {
    const auto names = PartNames(bytes);
    const std::set<std::string> present(names.begin(), names.end());
    const pugi::xml_document types = Xml(bytes, "[Content_Types].xml");
    std::set<std::string> defaults, overrides;
    for (pugi::xml_node t : types.first_child().children()) {
        if (std::string(t.name()) == "Default") defaults.insert(t.attribute("Extension").value());
        else overrides.insert(std::string(t.attribute("PartName").value()).substr(1));
    }
    for (const auto& name : names) {
        const std::size_t dot = name.rfind('.');
        EXPECT_TRUE(overrides.count(name) || (dot != std::string::npos && defaults.count(name.substr(dot + 1))))
            << name << " has no content type";
        if (name.find("_rels/") != std::string::npos || dot == std::string::npos) continue;
        const std::size_t slash = name.rfind('/');
        const std::string folder = name.substr(0, slash + 1);
        const std::string rels = folder + "_rels/" + name.substr(slash + 1) + ".rels";
        std::set<std::string> ids;
        const pugi::xml_document relDoc = Xml(bytes, rels);
        for (pugi::xml_node r : relDoc.first_child().children()) {
            ids.insert(r.attribute("Id").value());
            if (std::string(r.attribute("TargetMode").value()) == "External") continue;
            std::string target = r.attribute("Target").value();
            std::string resolved = target[0] == '/' ? target.substr(1) : folder + target;
            for (std::size_t up; (up = resolved.find("/../")) != std::string::npos;) {
                const std::size_t before = resolved.rfind('/', up - 1);
                resolved.erase(before == std::string::npos ? 0 : before + 1, up + 4 - (before == std::string::npos ? 0 : before + 1));
            }
            EXPECT_TRUE(present.count(resolved)) << rels << " points at missing " << resolved;
        }
        if (name.compare(name.size() - 4, 4, ".xml") != 0) continue;
        const pugi::xml_document doc = Xml(bytes, name);
        for (pugi::xpath_node n : doc.select_nodes("//@*[name()='r:id' or name()='r:embed' or name()='r:link']"))
            EXPECT_TRUE(ids.count(n.attribute().value())) << name << " refers to " << n.attribute().value();
    }
}

std::string CopiedIntoNew(const std::string& source, std::size_t sheet, const std::vector<std::string>& names,
                          const std::vector<std::string>& notCarried, const std::string& what) {
    const Workbook book = Workbook::Open(source);
    Workbook target = Workbook::CreateNew();
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(target.CopySheet(book, sheet, 1 + i, names[i]).notCarried, notCarried) << what;
    const std::string bytes = target.SaveToBytes();
    ExpectValidPackage(bytes);
    return bytes;
}

void Related::SetUpTestSuite() {
    namespace fs = std::filesystem;
    dir_ = (fs::temp_directory_path() / ("zelmo-xlsx-related-" + std::to_string(::getpid()))).string();
    fs::create_directories(dir_);
    const std::string make =
        std::string("/usr/bin/python3 ") + ZELMO_XLSX_SCRIPTS + "/make_fixtures.py '" + dir_ + "' >/dev/null 2>&1";
    made_ = std::system(make.c_str()) == 0;
}

void Related::TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void Related::SetUp() {
    if (!made_) GTEST_SKIP() << "python3-openpyxl is needed to make the fixtures";
}

std::string Related::dir_;
bool Related::made_ = false;

}  // namespace zelmo::xlsx::test
