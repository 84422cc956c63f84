#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace shelvex::engine {

namespace internal {
class HttpRequest;
}

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
// SaveOptions), activity_log.cpp (AddToLog, ReportStatus), discovery.cpp (FindDbfFiles),
// conversion_run.cpp (ConvertDbfToXml), archive.cpp (BuildArchive, ExtractArchive), web_client.cpp
// (the requests to the hosting server), reservations.cpp (DownloadReservations) and
// options_upload.cpp (UploadOptionsOnly).
//
// Every request goes to the server IPAdd on port "731", or on the port that the environment
// variable SHELVEX_SERVER_PORT names.
class TDataModule2 final {
 public:
  // The status receiver: gets every status text of an operation, on the thread that runs it.
  using TStatusProc = std::function<void(const std::string&)>;
  // The progress receiver: while a table is exported, now and then its file name, the records done
  // and the records in the table, on the thread that runs the operation. For a progress display
  // only: it never gets status texts and nothing of it goes to the log.
  using TProgressProc =
      std::function<void(const std::string& table, std::uint32_t done, std::uint32_t total)>;
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

  // ---- Conversion run (conversion_run.cpp) ----

  // The whole run: discovery, export of the role tables into HomeDir + "xml", the archive, the
  // upload and, when AcceptReservations, the reservation download. Reports every step; afterwards
  // ErrorCount is 0 exactly when every step succeeded. Throws IoError when a status line cannot be
  // logged, and when the archive cannot be opened for sending.
  void ConvertDbfToXml();

  // ---- Options-only upload (options_upload.cpp) ----

  // Copies the options and field-list files into the xml folder and uploads them (with whatever
  // *.ini, *.txt and *.lab files are there, and no *.xml) marked as options only. ErrorCount is 0
  // afterwards exactly when the server took them. Throws as ConvertDbfToXml does.
  void UploadOptionsOnly();

  // ---- Web server client (web_client.cpp) ----

  // Puts the library's site on line (`isStart`) or off line. Resets ErrorCount; on failure it is 1
  // and the result holds the server's answer when there was one other than "ok".
  std::string StartStop(bool isStart);
  // The server's status reply, or empty when the request failed (ErrorCount is then 1; it is reset
  // first).
  std::string ServerStatus();
  // Changes the account's data upload password from `pwd0` to `pwd1` (empty clears it); both are
  // 8-bit texts in the ANSI code page, as Pass. True exactly when the server answered "ok".
  // Leaves ErrorCount at 0.
  bool UploadPwd(const std::string& pwd0, const std::string& pwd1);
  // Splits a status reply "user~field0;field1;...": gives the part before the first "~" in `user`
  // and appends the fields to `list` (which is not emptied first); an empty last field is dropped.
  static void SplitStatusReply(const std::string& text, std::vector<std::string>& list,
                               std::string& user);

  // ---- Reservations (reservations.cpp) ----

  // Fetches the new reservations and merges them into HomeDir + "data/new_res.txt" (old lines
  // first, each new line once, compared without regard to case). Reports nothing, counts nothing
  // and never fails: whatever goes wrong leaves new_res.txt as it was.
  void DownloadReservations();

  // ---- Properties ----

  int ErrorCount() const { return ErrorCnt; }
  const std::string& UserDirectory() const { return HomeDir; }
  // The discovery's results, for hosts that show them (the role fields themselves are the engine's
  // own).
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

  // The conversion step: ClearXmlFolder, then each role table's field names file and XML data
  // packet, then the options and field-list files. Each table that fails is logged and counted.
  void ConvertAllTables();
  // Creates the xml folder when missing and deletes every file in it (subfolders stay).
  void ClearXmlFolder();
  // Writes HomeDir + "xml/xml.zip" from the *.xml (unless `options_only`), *.ini, *.txt and *.lab
  // files of the xml folder, encrypted with Pass when it is set. Adds 1 to ErrorCnt when the
  // archive is not written; reports nothing.
  void BuildArchive(bool options_only);
  // Posts HomeDir + "xml/xml.zip". On failure adds 1 to ErrorCnt and puts the server's answer into
  // `reply` when there was one (empty otherwise). Throws IoError when the archive cannot be opened.
  void PostArchive(bool opt, std::string& reply);
  // Applies the proxy options to the request when UseProxy is set.
  void SetProxy(internal::HttpRequest& Http1) const;
  // Extracts every entry of the archive at `path` into the archive's folder under its bare name.
  // True when every entry was extracted.
  bool ExtractArchive(const std::string& path);

  // "http://" + IPAdd + ":" + the server port + "/dar2ar.dll" + `rest`.
  std::string ServerAddress(const std::string& rest) const;
  // HomeDir + "xml", the working folder of a run.
  std::string XmlFolder() const;

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
  TProgressProc UpdateProgressProc;  // not an option: set by the host, like UpdateStatusProc
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
