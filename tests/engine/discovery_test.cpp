#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/data_module.h"
#include "tests/support/data_module_access.h"
#include "tests/support/definition_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

using shelvex::testing::DefinitionWriter;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Discovery : public ::testing::Test {
 protected:
  Discovery() { module_.DataFolder = data_.Dir(); }

  void Touch(const std::string& name) { WriteAll(data_ / name, ""); }
  void Touch(std::initializer_list<const char*> names) {
    for (const char* name : names) Touch(name);
  }
  void WriteDefinition(const std::string& name, int page, layout::TFieldSubType sub_type,
                       const std::string& formula) {
    DefinitionWriter definition;
    definition.AddField(page, layout::fstSimple, "not this one");
    definition.AddField(page, sub_type, formula);
    definition.Write(data_ / name);
  }

  std::vector<std::string>& DbfFiles() { return TDataModule2TestAccess::DbfFiles(module_); }
  const std::string& Loans() { return TDataModule2TestAccess::LoansDb(module_); }
  const std::string& Reservations() { return TDataModule2TestAccess::ReservationsDb(module_); }
  std::string& Borrowers() { return TDataModule2TestAccess::BorrowersDb(module_); }
  std::string& Fines() { return TDataModule2TestAccess::FinesDb(module_); }

  TempFolder data_;
  TDataModule2 module_;
};

TEST_F(Discovery, FindsTheRolesByNameAndSkipsTheCataloguersOwnTables) {
  Touch({"book.dbf", "bookz.dbf", "bookr.dbf", "master.dbf", "Readme.dbf", "abc$.dbf", "badges.dbf",
         "myxata.dbf", "mydata.dbf", "mymaster.dbf", "notes.txt"});

  module_.FindDbfFiles();

  EXPECT_THAT(DbfFiles(),
              ElementsAre("book.dbf", "bookr.dbf", "bookz.dbf", "mydata.dbf", "mymaster.dbf"));
  EXPECT_EQ(module_.LibraryDb, "book.dbf");
  EXPECT_EQ(Loans(), "bookz.dbf");
  // mymaster.dbf ends in "r.dbf" too and is listed after bookr.dbf.
  EXPECT_EQ(Reservations(), "mymaster.dbf");
}

TEST_F(Discovery, UpperCaseNamesOnDiskAreListedInLowerCase) {
  Touch({"BOOKZ.DBF", "Loans.Dbf"});

  module_.FindDbfFiles();

  EXPECT_THAT(DbfFiles(), ElementsAre("bookz.dbf", "loans.dbf"));
  EXPECT_EQ(Loans(), "bookz.dbf");
  // The library table need not exist: its name is derived from the loans table's.
  EXPECT_EQ(module_.LibraryDb, "book.dbf");
}

TEST_F(Discovery, TheLastListedCandidateWinsARole) {
  // member.dbf ends in "r.dbf" like a reservations table, and is listed after bookr.dbf.
  Touch({"bookr.dbf", "member.dbf", "abz.dbf", "catz.dbf"});

  module_.FindDbfFiles();

  EXPECT_EQ(Reservations(), "member.dbf");
  EXPECT_EQ(Loans(), "catz.dbf");
  EXPECT_EQ(module_.LibraryDb, "cat.dbf");
}

TEST_F(Discovery, ReadsBorrowersAndFinesFromTheDefinitionFiles) {
  Touch({"book.dbf", "bookz.dbf", "Member.dbf"});
  // Definition files are found whatever their case; the names inside them are taken unchanged.
  WriteDefinition("BOOK.DEF", 3, layout::fstLoan, "Member.dbf");
  WriteDefinition("member.def", 1, layout::fstMasterDetail,
                  std::string("Fines.dbf\x03") + "LOANID");

  module_.FindDbfFiles();

  EXPECT_EQ(Borrowers(), "Member.dbf");
  EXPECT_EQ(Fines(), "Fines.dbf");
}

TEST_F(Discovery, AStepThatFindsNothingLeavesTheRoleAsItWas) {
  struct Case {
    const char* label;
    bool borrowers_has_master_detail;
    std::string master_detail_formula;
  };
  const Case cases[] = {
      {"no master-detail field", false, ""},
      {"formula without code 3", true, "fines.dbf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempFolder data;
    module_.DataFolder = data.Dir();
    WriteAll(data / "bookz.dbf", "");
    DefinitionWriter library;
    library.AddField(0, layout::fstLoan, "member.dbf");
    library.Write(data / "book.def");
    DefinitionWriter borrowers;
    borrowers.AddField(0,
                       c.borrowers_has_master_detail ? layout::fstMasterDetail : layout::fstSimple,
                       c.master_detail_formula);
    borrowers.Write(data / "member.def");
    Fines() = "earlier.dbf";

    module_.FindDbfFiles();

    EXPECT_EQ(Borrowers(), "member.dbf");
    EXPECT_EQ(Fines(), "earlier.dbf");
  }
}

TEST_F(Discovery, WithoutALoansTableTheBareDefinitionNameIsRead) {
  Touch({"book.dbf", "bookr.dbf"});
  WriteDefinition(".def", 0, layout::fstLoan, "patrons.dbf");

  module_.FindDbfFiles();

  EXPECT_THAT(module_.LibraryDb, IsEmpty());
  EXPECT_THAT(Loans(), IsEmpty());
  EXPECT_EQ(Borrowers(), "patrons.dbf");
}

TEST_F(Discovery, AppendsToTheListAndKeepsRolesWhenTheFolderIsMissing) {
  DbfFiles() = {"old.dbf"};
  module_.LibraryDb = "old.dbf";
  Borrowers() = "oldmember.dbf";
  module_.DataFolder = data_.Dir() + "missing/";

  module_.FindDbfFiles();

  EXPECT_THAT(DbfFiles(), ElementsAre("old.dbf"));
  EXPECT_EQ(module_.LibraryDb, "old.dbf");
  EXPECT_EQ(Borrowers(), "oldmember.dbf");

  module_.DataFolder = data_.Dir();
  Touch("extra.dbf");
  module_.FindDbfFiles();
  EXPECT_THAT(DbfFiles(), ElementsAre("old.dbf", "extra.dbf"));
}

}  // namespace
}  // namespace shelvex::engine
