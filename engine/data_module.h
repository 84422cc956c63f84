#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace shelvex::engine {

// The options file in the program folder and its one section.
inline constexpr char kOptionsFileName[] = "db_upl.ini";
inline constexpr char kOptionsSection[] = "Options";
// The hosting service's server, used when the options name none.
inline constexpr char kDefaultServerAddress[] = "www.velmora.example";

// The engine object: the options and folders that every engine operation shares, the role tables of
// the last discovery, the error count and the status report. One instance per process, created by
// the host and kept until the process ends. The host configures it through the public fields and
// calls the operations directly.
//
// Thread safety: none. The object is used by one thread at a time (the manager's window thread or
// its upload worker, the service's scheduler); UpdateStatusProc is called on the thread that runs
// the operation.
//
// Each group of operations lives in its own source file: options_file.cpp (Init, LoadOptions,
// SaveOptions), activity_log.cpp (AddToLog, ReportStatus), discovery.cpp (FindDbfFiles).
class TDataModule2 final {
 public:
  // The status receiver: gets every status text of an operation, on the thread that runs it.
  using TStatusProc = std::function<void(const std::string&)>;
  // Where the current local date and time come from: the system clock unless a test sets another.
  using TClock = std::function<platform::TDateTime()>;

  // The state after creation: every text empty, every number 0, every flag false and the day set
  // empty, except the three cover-image flags, which are true. Init then loads the options.
  TDataModule2();
  ~TDataModule2();
  TDataModule2(const TDataModule2&) = delete;
  TDataModule2& operator=(const TDataModule2&) = delete;

  // ---- Options (options_file.cpp) ----

  // Sets HomeDir (a "/" is added when missing), clears LastUpload and loads the options.
  void Init(const std::string& aHomeDir);
  // Reads HomeDir + "db_upl.ini" into the fields. Never fails: a missing file, section, key or a
  // bad value gives the default of that key.
  void LoadOptions();
  // Writes the fields to HomeDir + "db_upl.ini", keeping every other key and section of the file;
  // `isServ` adds last_date. Appends "/" to DataFolder when it lacks one. Throws IoError when the
  // file cannot be written; the file is then left as it was.
  void SaveOptions(bool isServ);

  // ---- Activity log and status (activity_log.cpp) ----

  // Appends `s` as one line to HomeDir + "<year>.txt" when IsLoggingOn. Throws IoError when the log
  // cannot be opened or written.
  void AddToLog(const std::string& s);

  // The timestamp of the run markers: the local date and time in the general date-time format.
  std::string TimestampText() const;
  // The current local date and time, from the clock.
  platform::TDateTime Now() const;
  void SetClock(TClock clock);

  // ---- Discovery of the role tables (discovery.cpp) ----

  // Lists the candidate tables of DataFolder into DbfFiles (lower case) and sets the role names
  // that it finds: library and loans from the "z.dbf" name, reservations from an "r.dbf" name,
  // borrowers and fines from the layout definition files. Empties nothing: a role it does not find
  // keeps its value. Reports nothing.
  void FindDbfFiles();

  // ---- Properties ----

  int ErrorCount() const { return ErrorCnt; }
  const std::string& UserDirectory() const { return HomeDir; }
  // The discovery's results, for hosts that show them (the role fields themselves are the engine's own).
  const std::vector<std::string>& DbfFileList() const { return DbfFiles; }
  const std::string& LoansTable() const { return LoansDb; }
  const std::string& ReservationsTable() const { return ReservationsDb; }
  const std::string& BorrowersTable() const { return BorrowersDb; }
  const std::string& FinesTable() const { return FinesDb; }

 private:
  friend class TDataModule2TestAccess;

  // Hands `text` to UpdateStatusProc (when set), then to AddToLog. Whatever either throws reaches
  // the caller.
  void ReportStatus(const std::string& text);

  // The Formula of the loan field (the borrowers table's name) or of the master-detail field (the
  // fines table's name up to the character with code 3) in the definition file `file_name`; empty
  // when there is none or the file cannot be read.
  static std::string FindLoanFormula(const std::filesystem::path& file_name);
  static std::string FindMasterDetailFormula(const std::filesystem::path& file_name);

  // Lower-case names of the candidate tables of the last discovery.
  std::vector<std::string> DbfFiles;
  std::string LoansDb;
  std::string BorrowersDb;
  std::string ReservationsDb;
  std::string FinesDb;
  std::int32_t ErrorCnt = 0;  // failures of the operation that ran last

 public:
  std::string HomeDir;     // program folder, ending in "/"
  std::string DataFolder;  // folder of the source tables, ending in "/" once loaded
  std::string LibraryDb;
  std::string IPAdd;
  std::string User;
  // Data upload password: bytes in the ANSI code page, never stored in the options file.
  std::string Pass;
  std::string Port;
  std::string Header;
  std::string Footer;
  bool AllowPatronInfo = false;
  bool AcceptReservations = false;
  std::uint8_t UploadDays = 0;  // bit d set for day d, 0 Sunday to 6 Saturday; every day is 127
  platform::TDateTime UploadTime = 0;
  TStatusProc UpdateStatusProc;
  bool IsLoggingOn = false;
  platform::TDateTime LastUpload = 0;
  bool GridImg = true;
  bool SelectedImg = true;
  bool LargeImg = true;
  bool UseProxy = false;
  std::string ProxyAddr;
  std::string ProxyPort;
  std::string ProxyUserName;
  std::string ProxyPwd;
  std::string LinkField;
  std::int32_t Layout = 0;
  std::int32_t GridFont = 0;

 private:
  TClock clock_;
};

}  // namespace shelvex::engine
