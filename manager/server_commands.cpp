// The commands that act on the hosted web library: the upload on its worker thread, the options
// upload, start, stop, status, the log viewer and the two web links.

#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <memory>
#include <string>
#include <system_error>

#include "engine/data_module.h"
#include "manager/internal/busy_window.h"
#include "manager/log_viewer.h"
#include "manager/main_window.h"
#include "manager/prompter.h"
#include "manager/schedule_page.h"
#include "manager/status_dialog.h"
#include "manager/upload_worker.h"
#include "platform/date_time.h"
#include "platform/error.h"

namespace shelvex::manager {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void TForm1::SetCommandButtons(bool enable) {
  for (QPushButton* button : {BitBtn3, BitBtn12, BitBtn8, BitBtn7, BitBtn11, BitBtn1, BitBtn10}) {
    button->setEnabled(enable);
  }
}

// The two other commands that change what the worker uses: "Save Settings" rewrites the options,
// "Set Data Password" sends a request on the same engine object.
void TForm1::SetUploadEditing(bool enable) {
  BitBtn14->setEnabled(enable);
  Schedule->Button9->setEnabled(enable);
}

void TForm1::BitBtn3Click() {
  if (UploadRunning()) return;
  try {
    ControlsToOptions();
    module_.SaveOptions(false);
    SaveFieldLists();
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! Settings could not be saved.\r") + FromUtf8(error.what()));
    return;
  }
  SetCommandButtons(false);
  SetUploadEditing(false);
  module_.Pass = Pass0;
  worker_ = std::make_unique<TMyThread>(module_, [this](const std::string& failure) {
    QMetaObject::invokeMethod(
        this, [this, failure] { UploadFinished(failure); }, Qt::QueuedConnection);
  });
  try {
    worker_->Start();
  } catch (const std::system_error& error) {
    UploadFinished(error.what());
  }
}

void TForm1::UploadFinished(const std::string& failure) {
  worker_.reset();
  ProgressBar1->setVisible(false);
  if (!failure.empty()) ShowStatusHere(QStringLiteral("ERROR! ") + FromUtf8(failure));
  SetCommandButtons(true);
  SetUploadEditing(true);
  CloseIfPending();
}

void TForm1::CloseIfPending() {
  if (close_pending_ && worker_ == nullptr && isEnabled()) close();
}

void TForm1::BitBtn11Click() {
  if (UploadRunning()) return;
  try {
    ControlsToOptions();
    module_.SaveOptions(false);
    SaveFieldLists();
    internal::BusyWindow busy(this, [this] { CloseIfPending(); });
    module_.Pass = Pass0;
    module_.UploadOptionsOnly();
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! ") + FromUtf8(error.what()));
  }
}

void TForm1::StartStopServer(bool start) {
  if (UploadRunning()) return;
  ControlsToOptions();
  int errors = 0;
  {
    internal::BusyWindow busy(this, [this] { CloseIfPending(); });
    module_.Pass = Pass0;
    module_.StartStop(start);
    // The count is StartStop's: the reservation download that follows counts nothing.
    errors = module_.ErrorCount();
    module_.DownloadReservations();
  }
  if (errors != 0) {
    ShowError(start ? QStringLiteral("ERROR! Library Server could not Start.")
                    : QStringLiteral("ERROR! Library Server could not Stop."));
  } else {
    prompter_.ShowMessage(MessageKind::kInformation,
                          start ? QStringLiteral("Library Server Started.")
                                : QStringLiteral("Library Server Stoped."));
  }
}

void TForm1::BitBtn8Click() { StartStopServer(true); }

void TForm1::BitBtn7Click() { StartStopServer(false); }

void TForm1::BitBtn12Click() {
  if (UploadRunning()) return;
  ControlsToOptions();
  std::string reply;
  int errors = 0;
  {
    internal::BusyWindow busy(this, [this] { CloseIfPending(); });
    reply = module_.ServerStatus();
    errors = module_.ErrorCount();
  }
  if (errors != 0) {
    ShowError(
        QStringLiteral("ERROR! Library Server could not be contacted!\rCheck if your Internet "
                       "connection is working."));
    return;
  }
  TForm4 dialog(this);
  dialog.Status = reply;
  prompter_.ShowModal(dialog);
}

void TForm1::BitBtn13Click() {
  const int year = platform::DecodeDateTime(module_.Now()).year;
  TForm5 viewer(this);
  viewer.LogFile = ExeDir + std::to_string(year) + ".txt";
  prompter_.ShowModal(viewer);
}

void TForm1::BitBtn9Click() {
  prompter_.OpenUrl(QStringLiteral("http://") + FromUtf8(module_.IPAdd) + QStringLiteral(":") +
                    FromUtf8(module_.Port) + QStringLiteral("/") + QStringLiteral("?user=") +
                    FromUtf8(module_.User));
}

void TForm1::BitBtn6Click() {
  const std::string host =
      module_.IPAdd.empty() ? std::string(engine::kDefaultServerAddress) : module_.IPAdd;
  prompter_.OpenUrl(QStringLiteral("http://") + FromUtf8(host) + QStringLiteral(":") +
                    FromUtf8(module_.Port) + QStringLiteral("/") + QStringLiteral("?user=Oakhill"));
}

}  // namespace shelvex::manager
