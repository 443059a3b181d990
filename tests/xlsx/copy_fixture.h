// What the copy tests share: the test data's workbooks, a saved package's parts by folder, the check
// that a package holds nothing the spreadsheet program would repair, and the workbooks that
// make_fixtures.py writes.
#pragma once

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "xlsx/workbook.h"

namespace zelmo::xlsx::test {

// A workbook of the test data (tests/data/xlsx), read from its file.
Workbook Real(const std::string& name);

// Part `name` of zip `bytes` parsed (an empty document when absent).
pugi::xml_document Xml(const std::string& bytes, const std::string& name);

// The parts of zip `bytes` under `folder` (relationship parts left out), sorted.
std::vector<std::string> PartsUnder(const std::string& bytes, const std::string& folder);

// What makes the spreadsheet program repair a package: a relationship whose target is missing, a
// part without a content type, or an r:id-like attribute naming no relationship of its part.
void ExpectValidPackage(const std::string& bytes);

// Sheet `sheet` of package `source` copied into a new workbook once per name of `names`, each copy
// after the one before and expected to leave `notCarried` behind; the saved package, checked by
// ExpectValidPackage (`what` names the case in failures).
std::string CopiedIntoNew(const std::string& source, std::size_t sheet, const std::vector<std::string>& names,
                          const std::vector<std::string>& notCarried, const std::string& what);

// related.xlsx of make_fixtures.py: threaded comments, persons, a form control, sparklines, names and
// external links used by formulas. Made once for all the tests of the suite.
class Related : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    static Workbook Source() { return Workbook::OpenFile(dir_ + "/related.xlsx"); }
    static std::string dir_;
    static bool made_;
};

}  // namespace zelmo::xlsx::test
