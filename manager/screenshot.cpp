#include "manager/screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <system_error>

#include "manager/main_window.h"
#include "manager/status_dialog.h"
#include "platform/error.h"

namespace shelvex::manager {

namespace {

// A reply as the hosting server gives it: the account, on line, hits, files, uploads, a message.
constexpr char kSampleReply[] =
    "oakhill~Yes;1287;5;6;3/14/2024 2:05:09 PM;3/15/2024 9:30:00 AM;Welcome to the new season of "
    "the web library.";

void Save(QWidget& widget, const std::filesystem::path& file) {
  QApplication::processEvents();
  if (!widget.grab().save(QString::fromStdString(file.string()), "PNG")) {
    throw Error(file.string() + ": the picture cannot be written");
  }
}

}  // namespace

void UnattendedPrompter::ShowModal(QDialog& dialog) { dialog.reject(); }

void UnattendedPrompter::ShowMessage(MessageKind /*kind*/, const QString& text) {
  QString line = text;
  line.replace(QChar('\r'), QChar(' '));
  std::fprintf(stderr, "shelvexapp: %s\n", line.toLocal8Bit().constData());
}

void UnattendedPrompter::OpenUrl(const QString& /*address*/) {}

void SaveScreenshots(TForm1& form, const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw Error(folder.string() + ": " + error.message());

  // The service state as the first poll, three seconds after the start, would show it.
  form.Timer1Timer();

  const char* names[] = {"schedule.png", "general_server_options.png", "web_server_display.png",
                         "search_options.png"};
  const int shown = form.PageControl1->currentIndex();
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->setCurrentIndex(tab);
    Save(form, folder / names[tab]);
  }
  form.PageControl1->setCurrentIndex(shown);

  TForm4 dialog(&form);
  dialog.Status = kSampleReply;
  dialog.show();
  Save(dialog, folder / "server_status.png");
  dialog.close();
}

}  // namespace shelvex::manager
