#include <string_view>

#include "engine/data_module.h"
#include "engine/option_values.h"
#include "platform/ini_profile.h"

namespace shelvex::engine {

namespace {

constexpr char kDefaultPort[] = "733";

// Reads one key of the Options section, trimmed; nullopt when missing.
class OptionsReader final {
 public:
  explicit OptionsReader(const platform::IniProfile& profile) : profile_(profile) {}

  std::string Text(std::string_view key) const {
    return profile_.Read(kOptionsSection, key).value_or("");
  }
  std::string TextOr(std::string_view key, std::string_view fallback) const {
    std::string value = Text(key);
    return value.empty() ? std::string(fallback) : value;
  }
  bool Flag(std::string_view key, bool fallback) const {
    return ReadFlag(profile_.Read(kOptionsSection, key).value_or(WriteFlag(fallback)));
  }
  std::int32_t Integer(std::string_view key, std::int32_t fallback) const {
    return ReadInteger(Text(key)).value_or(fallback);
  }

 private:
  const platform::IniProfile& profile_;
};

}  // namespace

void TDataModule2::Init(const std::string& aHomeDir) {
  HomeDir = WithTrailingSlash(aHomeDir);
  LastUpload = 0;
  LoadOptions();
}

void TDataModule2::LoadOptions() {
  const platform::IniProfile profile(HomeDir + kOptionsFileName);
  const OptionsReader options(profile);
  IPAdd = options.TextOr("ipadd", kDefaultServerAddress);
  User = options.Text("user");
  Port = options.TextOr("port", kDefaultPort);
  DataFolder = ReadDataFolder(options.Text("data_folder"), HomeDir);
  Header = options.Text("header");
  Footer = options.Text("footer");
  AllowPatronInfo = options.Flag("allowpatroninfo", true);
  AcceptReservations = options.Flag("acceptreservations", true);
  UploadDays = ReadDayList(options.Text("days"));
  UploadTime = platform::ParseTime(options.Text("time")).value_or(0);
  LastUpload = platform::ParseDate(options.Text("last_date")).value_or(0);
  GridImg = options.Flag("grid_img", true);
  SelectedImg = options.Flag("selected_img", true);
  LargeImg = options.Flag("large_img", true);
  UseProxy = options.Flag("use_proxy", false);
  ProxyAddr = options.Text("proxy_addr");
  ProxyPort = options.Text("proxy_port");
  ProxyUserName = options.Text("proxy_user");
  ProxyPwd = options.Text("proxy_pwd");
  LinkField = options.Text("link_field");
  Layout = options.Integer("layout", 0);
  GridFont = options.Integer("grid_font", 1);
}

void TDataModule2::SaveOptions(bool isServ) {
  // An empty folder stays empty (it reads back as the default) rather than becoming "/", the root.
  DataFolder = WithTrailingSlash(DataFolder);

  // The file is read afresh so that keys and sections written by others since LoadOptions are kept.
  platform::IniProfile profile(HomeDir + kOptionsFileName);
  auto put = [&](std::string_view key, const std::string& value) {
    profile.Write(kOptionsSection, key, value);
  };
  put("ipadd", IPAdd);
  put("user", User);
  put("port", Port);
  put("data_folder", DataFolder);
  put("header", Header);
  put("footer", Footer);
  put("allowpatroninfo", WriteFlag(AllowPatronInfo));
  put("acceptreservations", WriteFlag(AcceptReservations));
  put("days", WriteDayList(UploadDays));
  put("time", platform::FormatLongTime(UploadTime));
  if (isServ) put("last_date", platform::FormatShortDate(LastUpload));
  put("grid_img", WriteFlag(GridImg));
  put("selected_img", WriteFlag(SelectedImg));
  put("large_img", WriteFlag(LargeImg));
  put("use_proxy", WriteFlag(UseProxy));
  put("proxy_addr", ProxyAddr);
  put("proxy_port", ProxyPort);
  put("proxy_user", ProxyUserName);
  put("proxy_pwd", ProxyPwd);
  put("link_field", LinkField);
  put("layout", std::to_string(Layout));
  put("grid_font", std::to_string(GridFont));
  profile.Save();
}

}  // namespace shelvex::engine
