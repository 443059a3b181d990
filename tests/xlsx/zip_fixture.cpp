#include "zip_fixture.h"

#include <zip.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zelmo::xlsx::test {

std::string MakeZip(const Parts& parts, bool stored) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_error_fini(&error);
    if (!out) return {};
    zip_source_keep(out);
    zip_t* za = zip_open_from_source(out, ZIP_TRUNCATE, nullptr);
    std::string bytes;
    if (za) {
        for (const auto& p : parts) {
            zip_source_t* s = zip_source_buffer(za, p.second.data(), p.second.size(), 0);
            const zip_int64_t idx = s ? zip_file_add(za, p.first.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
            if (idx < 0) {
                zip_source_free(s);
                continue;  // a name libzip refuses (empty, duplicate): the part is left out
            }
            if (stored) zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
        }
        if (zip_close(za) != 0) zip_discard(za);
        if (zip_source_open(out) == 0) {
            zip_source_seek(out, 0, SEEK_END);
            const zip_int64_t size = zip_source_tell(out);
            zip_source_seek(out, 0, SEEK_SET);
            if (size > 0) {
                bytes.resize(static_cast<std::size_t>(size));
                if (zip_source_read(out, &bytes[0], bytes.size()) != size) bytes.clear();
            }
            zip_source_close(out);
        }
    }
    zip_source_free(out);
    return bytes;
}

static zip_t* OpenZip(const std::string& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!za) throw std::runtime_error("not a zip");
    return za;
}

std::string ReadPart(const std::string& bytes, const std::string& name) {
    zip_t* za = OpenZip(bytes);
    std::string out;
    zip_stat_t st;
    if (zip_stat(za, name.c_str(), 0, &st) == 0) {
        out.resize(static_cast<std::size_t>(st.size));
        zip_file_t* f = zip_fopen(za, name.c_str(), 0);
        if (!out.empty()) zip_fread(f, &out[0], out.size());
        zip_fclose(f);
    }
    zip_discard(za);
    return out;
}

std::vector<std::string> PartNames(const std::string& bytes) {
    zip_t* za = OpenZip(bytes);
    std::vector<std::string> names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
        names.emplace_back(zip_get_name(za, static_cast<zip_uint64_t>(i), 0));
    zip_discard(za);
    return names;
}

std::string MinimalWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                            const std::string& workbookExtra, const Parts& extraParts) {
    const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    std::string types =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    std::string wbRels = "<Relationships xmlns=\"" + pkg + "\">";
    std::string wb = "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>";
    Parts parts;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        wbRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet" + n +
                  ".xml\"/>";
        wb += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        parts.emplace_back("xl/worksheets/sheet" + n + ".xml", "<worksheet xmlns=\"" + ns + "\" xmlns:r=\"" + rel +
                                                                   "\"><sheetData>" + sheets[i].second +
                                                                   "</sheetData></worksheet>");
    }
    types += "</Types>";
    wbRels += "</Relationships>";
    wb += "</sheets>" + workbookExtra + "</workbook>";
    parts.insert(parts.begin(), {"xl/_rels/workbook.xml.rels", wbRels});
    parts.insert(parts.begin(), {"xl/workbook.xml", wb});
    parts.insert(parts.begin(), {"_rels/.rels", "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"rId1\" Type=\"" +
                                                    rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    parts.insert(parts.begin(), {"[Content_Types].xml", types});
    for (const auto& p : extraParts) parts.push_back(p);
    return MakeZip(parts);
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace zelmo::xlsx::test
