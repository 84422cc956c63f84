#include <httplib.h>

#include <ctime>

#include "tools/hosting-server/internal/text_escape.h"
#include "tools/hosting-server/request_handlers.h"
#include "tools/hosting-server/upload_archive.h"

namespace shelvex::host {

namespace {

// The archive's own name for messages: the last part of the path the client sent
// ("C:\...\xml.zip").
std::string ArchiveName(const std::string& filename) {
  std::size_t slash = filename.find_last_of("/\\");
  std::string bare = slash == std::string::npos ? filename : filename.substr(slash + 1);
  return bare.empty() ? "upload" : internal::Printable(bare, 80);
}

}  // namespace

Reply HandleUpload(HandlerContext& context, const httplib::Request& request) {
  std::string user = request.get_param_value("user");
  // The manager sends "&opt=Y" or nothing. Another value is refused rather than taken as a full
  // upload, which would replace the data files with an archive that holds only settings.
  std::string opt = request.get_param_value("opt");
  bool options_only = opt == "Y" || opt == "y";
  const char* kind = options_only ? "options-only upload" : "full upload";

  bool has_part = request.is_multipart_form_data() && request.has_file("myfile");
  httplib::MultipartFormData part;
  if (has_part) part = request.get_file_value("myfile");
  const std::string& bytes = has_part ? part.content : request.body;
  std::string note;
  std::filesystem::path kept = context.kept.Keep(user, options_only, bytes);
  if (!kept.empty()) note = "kept as " + kept.filename().string() + "; ";
  if (has_part) {
    note += "myfile \"" + internal::Printable(part.filename, 120) + "\", " +
            internal::Printable(part.content_type, 60) + ", " + std::to_string(bytes.size()) +
            " bytes; ";
  }

  StoreLock lock(context.store);
  std::optional<Account> account = context.store.Find(user);
  if (account) {
    CountHit(*account, std::time(nullptr));
    context.store.Save(*account);
  }
  if (context.settings.reply)
    return TextReply(*context.settings.reply, note + "--reply: nothing changed");
  if (user.empty()) return TextReply("ERROR: no user given", note + "refused");
  if (!account)
    return TextReply("ERROR: unknown user \"" + internal::Printable(user) + "\"", note + "refused");
  if (!request.is_multipart_form_data()) {
    return TextReply("ERROR: the upload is not a multipart/form-data body", note + "refused");
  }
  if (!has_part)
    return TextReply("ERROR: the upload holds no part named \"myfile\"", note + "refused");
  if (!options_only && request.has_param("opt")) {
    return TextReply(
        "ERROR: opt=" + internal::Printable(opt) + " is not understood (opt=Y: options only)",
        note + "refused");
  }

  std::filesystem::path staging = context.store.MakeStagingFolder(user);
  FolderRemover remove_staging(staging);
  std::vector<ExtractedFile> files;
  try {
    files = ExtractUpload(bytes, ArchiveName(part.filename), account->password, staging,
                          context.settings.limits);
  } catch (const UploadRefused& refused) {
    return TextReply(refused.what(), note + kind + " refused");
  }
  if (options_only) {
    std::vector<std::string> taken = context.store.MergeSettingsFiles(user, staging);
    account->last_options_upload = std::time(nullptr);
    note += kind + std::string(": ") + std::to_string(taken.size()) + " settings files taken, " +
            std::to_string(files.size() - taken.size()) + " other entries ignored";
  } else {
    context.store.ReplaceFiles(user, staging);
    account->last_upload = std::time(nullptr);
    note += kind + std::string(": ") + std::to_string(files.size()) + " files";
  }
  context.store.Save(*account);
  return TextReply("ok", note);
}

}  // namespace shelvex::host
