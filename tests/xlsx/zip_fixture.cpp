#include "zip_fixture.h"

#include <zip.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "zip_handle.h"

namespace zelmo::xlsx::test {

std::string MakeZip(const Parts& parts, bool stored) {
    MemoryZip zip = CreateMemoryZip();
    if (!zip.archive) return {};
    for (const auto& p : parts) {
        ZipSource s(zip_source_buffer(zip.archive.get(), p.second.data(), p.second.size(), 0));
        const zip_int64_t idx = s ? zip_file_add(zip.archive.get(), p.first.c_str(), s.get(), ZIP_FL_ENC_UTF_8) : -1;
        if (idx < 0) continue;  // a name libzip refuses (empty, duplicate): the part is left out
        s.release();            // the archive took the source over
        if (stored) zip_set_file_compression(zip.archive.get(), static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
    }
    if (!Close(zip.archive)) return {};
    return WrittenBytes(zip);
}

static ZipArchive OpenZip(const std::string& bytes) {
    ZipArchive za = OpenZipBytes(bytes, ZIP_RDONLY);
    if (!za) throw std::runtime_error("not a zip");
    return za;
}

std::string ReadPart(const std::string& bytes, const std::string& name) {
    const ZipArchive za = OpenZip(bytes);
    std::string out;
    zip_stat_t st;
    if (zip_stat(za.get(), name.c_str(), 0, &st) == 0) {
        out.resize(static_cast<std::size_t>(st.size));
        zip_file_t* f = zip_fopen(za.get(), name.c_str(), 0);
        if (!out.empty()) zip_fread(f, &out[0], out.size());
        zip_fclose(f);
    }
    return out;
}

std::vector<std::string> PartNames(const std::string& bytes) {
    const ZipArchive za = OpenZip(bytes);
    std::vector<std::string> names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za.get(), 0); ++i)
        names.emplace_back(zip_get_name(za.get(), static_cast<zip_uint64_t>(i), 0));
    return names;
}

std::string EditParts(const std::string& bytes, const std::function<bool(const std::string&, std::string&)>& edit,
                      const Parts& added) {
    Parts parts;
    for (const auto& name : PartNames(bytes)) {
        std::string content = ReadPart(bytes, name);
        if (edit(name, content)) parts.emplace_back(name, std::move(content));
    }
    parts.insert(parts.end(), added.begin(), added.end());
    return MakeZip(parts);
}

std::string ContentTypesXml(const Parts& overrides) {
    std::string types =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    for (const auto& o : overrides) types += "<Override PartName=\"" + o.first + "\" ContentType=\"" + o.second + "\"/>";
    return types + "</Types>";
}

std::string MinimalWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                            const std::string& workbookExtra, const Parts& extraParts) {
    const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    Parts overrides{{"/xl/workbook.xml", ct + "sheet.main+xml"}};
    std::string wbRels = "<Relationships xmlns=\"" + pkg + "\">";
    std::string wb = "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>";
    Parts parts;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        overrides.emplace_back("/xl/worksheets/sheet" + n + ".xml", ct + "worksheet+xml");
        wbRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet" + n +
                  ".xml\"/>";
        wb += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        parts.emplace_back("xl/worksheets/sheet" + n + ".xml", "<worksheet xmlns=\"" + ns + "\" xmlns:r=\"" + rel +
                                                                   "\"><sheetData>" + sheets[i].second +
                                                                   "</sheetData></worksheet>");
    }
    wbRels += "</Relationships>";
    wb += "</sheets>" + workbookExtra + "</workbook>";
    parts.insert(parts.begin(), {"xl/_rels/workbook.xml.rels", wbRels});
    parts.insert(parts.begin(), {"xl/workbook.xml", wb});
    parts.insert(parts.begin(), {"_rels/.rels", "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"rId1\" Type=\"" +
                                                    rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    parts.insert(parts.begin(), {"[Content_Types].xml", ContentTypesXml(overrides)});
    for (const auto& p : extraParts) parts.push_back(p);
    return MakeZip(parts);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace zelmo::xlsx::test
