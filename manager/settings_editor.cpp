// The settings editor: the engine options into the controls at start-up, the controls back into the
// options before every save and server command, "Save Settings", the library link and the account
// lock.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "engine/data_module.h"
#include "manager/general_page.h"
#include "manager/internal/control_factory.h"
#include "manager/internal/widget_look.h"
#include "manager/main_window.h"
#include "manager/schedule_codec.h"
#include "manager/schedule_page.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/error.h"

namespace shelvex::manager {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }
std::string ToUtf8(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

void TForm1::LoadAccountAndScheduleControls() {
  Schedule->Edit1->setText(FromUtf8(module_.IPAdd));
  Schedule->Edit2->setText(FromUtf8(module_.Port));
  Schedule->Edit3->setText(FromUtf8(module_.User));
  Schedule->Edit4->setText(FromUtf8(module_.DataFolder));
  General->Edit7->setText(FromUtf8(module_.Header));
  General->Edit8->setText(FromUtf8(module_.Footer));
  General->Edit14->setText(FromUtf8(module_.LinkField));
  General->CheckBox8->setChecked(module_.AllowPatronInfo);
  General->CheckBox9->setChecked(module_.AcceptReservations);
  General->CheckBox10->setChecked(module_.GridImg);
  General->CheckBox11->setChecked(module_.SelectedImg);
  General->CheckBox12->setChecked(module_.LargeImg);
  const std::array<bool, 7> days = DayChecks(module_.UploadDays);
  for (int day = 0; day < 7; ++day) {
    if (days[day]) Schedule->DayBoxes[day]->setChecked(true);
  }
  internal::SetComboItemIndex(Schedule->ComboBox1, HourItemForTime(module_.UploadTime));
  Schedule->Edit6->setText(FromUtf8(platform::FormatDateTime(module_.LastUpload)));
}

void TForm1::LoadProxyAndDisplayControls() {
  Schedule->Edit9->setText(FromUtf8(platform::AnsiToUtf8(Pass0)));
  Schedule->CheckBox13->setChecked(module_.UseProxy);
  Schedule->Edit10->setText(FromUtf8(module_.ProxyAddr));
  Schedule->Edit11->setText(FromUtf8(module_.ProxyPort));
  Schedule->Edit12->setText(FromUtf8(module_.ProxyUserName));
  Schedule->Edit13->setText(FromUtf8(module_.ProxyPwd));
  internal::SetComboItemIndex(General->ComboBox2, module_.GridFont);
  General->SetLayoutIndex(module_.Layout);
}

void TForm1::ControlsToOptions() {
  module_.IPAdd = ToUtf8(Schedule->Edit1);
  module_.Port = ToUtf8(Schedule->Edit2);
  module_.User = ToUtf8(Schedule->Edit3);
  module_.DataFolder = ToUtf8(Schedule->Edit4);
  module_.Header = ToUtf8(General->Edit7);
  module_.Footer = ToUtf8(General->Edit8);
  Pass0 = platform::Utf8ToAnsi(ToUtf8(Schedule->Edit9));
  module_.AllowPatronInfo = General->CheckBox8->isChecked();
  module_.AcceptReservations = General->CheckBox9->isChecked();
  module_.GridImg = General->CheckBox10->isChecked();
  module_.SelectedImg = General->CheckBox11->isChecked();
  module_.LargeImg = General->CheckBox12->isChecked();
  std::array<bool, 7> days{};
  for (int day = 0; day < 7; ++day) days[day] = Schedule->DayBoxes[day]->isChecked();
  module_.UploadDays = DaysFromChecks(days);
  module_.UploadTime = TimeForHourItem(internal::ComboItemIndex(Schedule->ComboBox1));
  module_.UseProxy = Schedule->CheckBox13->isChecked();
  module_.ProxyAddr = ToUtf8(Schedule->Edit10);
  module_.ProxyPort = ToUtf8(Schedule->Edit11);
  module_.ProxyUserName = ToUtf8(Schedule->Edit12);
  module_.ProxyPwd = ToUtf8(Schedule->Edit13);
  module_.LinkField = ToUtf8(General->Edit14);
  module_.Layout = General->LayoutIndex();
  module_.GridFont = internal::ComboItemIndex(General->ComboBox2);
}

void TForm1::BitBtn14Click() {
  // The options belong to a running upload; the button is disabled then, and stays harmless.
  if (UploadRunning()) return;
  try {
    ControlsToOptions();
    module_.SaveOptions(false);
    SaveFieldLists();
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! Settings could not be saved.\r") + FromUtf8(error.what()));
  }
}

void TForm1::Edit1Change() { UpdateLibraryLink(); }

void TForm1::UpdateLibraryLink() {
  Schedule->Edit15->setText(QStringLiteral("http://") + Schedule->Edit1->text() +
                            QStringLiteral(":") + Schedule->Edit2->text() +
                            QStringLiteral("/?user=") + Schedule->Edit3->text());
}

void TForm1::LockAccount() {
  const bool complete = !Schedule->Edit1->text().isEmpty() && !Schedule->Edit2->text().isEmpty() &&
                        !Schedule->Edit3->text().isEmpty() && !Schedule->Edit4->text().isEmpty();
  if (complete) SetAccountLocked(true);
}

void TForm1::SetAccountLocked(bool locked) {
  for (QLineEdit* edit : {Schedule->Edit1, Schedule->Edit2, Schedule->Edit3, Schedule->Edit4}) {
    edit->setReadOnly(locked);
    if (locked) {
      internal::PaintButtonFace(edit);
    } else {
      internal::PaintNormal(edit);
    }
  }
  Schedule->Button10->setVisible(locked);
}

void TForm1::Button10Click() { SetAccountLocked(false); }

}  // namespace shelvex::manager
