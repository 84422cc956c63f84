#pragma once

#include <string>
#include <vector>

#include "engine/data_module.h"

namespace shelvex::engine {

// The tests' door to the engine's private operations and fields (TDataModule2 declares this class
// its friend). One definition for every test program: add what a test needs here.
class TDataModule2TestAccess final {
 public:
  static void ReportStatus(TDataModule2& module, const std::string& text) {
    module.ReportStatus(text);
  }
  static std::int32_t& ErrorCnt(TDataModule2& module) { return module.ErrorCnt; }
  static std::vector<std::string>& DbfFiles(TDataModule2& module) { return module.DbfFiles; }
  static std::string& LoansDb(TDataModule2& module) { return module.LoansDb; }
  static std::string& ReservationsDb(TDataModule2& module) { return module.ReservationsDb; }
  static std::string& BorrowersDb(TDataModule2& module) { return module.BorrowersDb; }
  static std::string& FinesDb(TDataModule2& module) { return module.FinesDb; }
  static void ConvertAllTables(TDataModule2& module) { module.ConvertAllTables(); }
  static void BuildArchive(TDataModule2& module, bool options_only) {
    module.BuildArchive(options_only);
  }
  static void PostArchive(TDataModule2& module, bool opt, std::string& reply) {
    module.PostArchive(opt, reply);
  }
  static bool ExtractArchive(TDataModule2& module, const std::string& path) {
    return module.ExtractArchive(path);
  }
};

}  // namespace shelvex::engine
