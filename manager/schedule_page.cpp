#include "manager/schedule_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/internal/control_factory.h"
#include "manager/internal/widget_look.h"
#include "manager/schedule_codec.h"

namespace shelvex::manager {

namespace {

using internal::NewButton;
using internal::NewCheckBox;
using internal::NewEdit;
using internal::NewLabel;

constexpr const char* kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
constexpr const char* kDayBoxNames[7] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4",
                                         "CheckBox5", "CheckBox6", "CheckBox7"};

}  // namespace

TSchedulePage::TSchedulePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet1"));

  auto* account = new QGroupBox(this);
  auto* account_grid = new QGridLayout(account);
  Edit1 = NewEdit("Edit1", account);
  Edit2 = NewEdit("Edit2", account);
  Edit3 = NewEdit("Edit3", account);
  Edit4 = NewEdit("Edit4", account);
  Edit9 = NewEdit("Edit9", account);
  internal::MaskWithStars(Edit9);
  internal::MakeDisplayOnly(Edit9);
  Button9 = NewButton("Set Data Password", "Button9", account);
  Button10 = NewButton("Unlock", "Button10", account);
  Button10->setVisible(false);
  Edit15 = NewEdit("Edit15", account);
  internal::MakeDisplayOnly(Edit15);
  account_grid->addWidget(NewLabel("Server Adress:", Edit1, account), 0, 0);
  account_grid->addWidget(Edit1, 0, 1);
  account_grid->addWidget(Button10, 0, 2);
  account_grid->addWidget(NewLabel("Server Port:", Edit2, account), 1, 0);
  account_grid->addWidget(Edit2, 1, 1);
  account_grid->addWidget(NewLabel("User Name:", Edit3, account), 2, 0);
  account_grid->addWidget(Edit3, 2, 1);
  account_grid->addWidget(NewLabel("DATA Folder:", Edit4, account), 3, 0);
  account_grid->addWidget(Edit4, 3, 1, 1, 2);
  account_grid->addWidget(NewLabel("Data Upload Password:", Edit9, account), 4, 0);
  account_grid->addWidget(Edit9, 4, 1);
  account_grid->addWidget(Button9, 4, 2);
  account_grid->addWidget(NewLabel("Link to your Library:", Edit15, account), 5, 0);
  account_grid->addWidget(Edit15, 5, 1, 1, 2);
  account_grid->setColumnStretch(1, 1);

  auto* schedule = new QGroupBox(QStringLiteral("Schedule Uploads:"), this);
  auto* days = new QGroupBox(QStringLiteral("Days of Week:"), schedule);
  auto* days_grid = new QGridLayout(days);
  for (int day = 0; day < 7; ++day) {
    DayBoxes[day] = NewCheckBox(kDayNames[day], kDayBoxNames[day], days);
    days_grid->addWidget(DayBoxes[day], day % 4, day / 4);
  }
  ComboBox1 = internal::NewEditableCombo("ComboBox1", schedule);
  for (const char* item : kHourItems) ComboBox1->addItem(QString::fromLatin1(item));
  ComboBox1->setCurrentIndex(0);
  ComboBox1->setEditText(QStringLiteral("1 AM"));
  Edit6 = NewEdit("Edit6", schedule);
  internal::MakeDisplayOnly(Edit6);
  auto* schedule_grid = new QGridLayout(schedule);
  schedule_grid->addWidget(days, 0, 0, 3, 1);
  schedule_grid->addWidget(NewLabel("Upload Time:", ComboBox1, schedule), 0, 1);
  schedule_grid->addWidget(ComboBox1, 0, 2);
  auto* hint = new QLabel(QStringLiteral("(minutes will be set randomly from 0 to 30)"), schedule);
  hint->setWordWrap(true);
  schedule_grid->addWidget(hint, 1, 1, 1, 2);
  schedule_grid->addWidget(NewLabel("Last Upload Date:", Edit6, schedule), 2, 1);
  schedule_grid->addWidget(Edit6, 2, 2);
  schedule_grid->setColumnStretch(2, 1);

  auto* proxy = new QGroupBox(QStringLiteral("Local Proxy Settings:"), this);
  auto* proxy_grid = new QGridLayout(proxy);
  CheckBox13 = NewCheckBox("Use Proxy Server", "CheckBox13", proxy);
  Edit10 = NewEdit("Edit10", proxy);
  Edit11 = NewEdit("Edit11", proxy);
  Edit12 = NewEdit("Edit12", proxy);
  Edit13 = NewEdit("Edit13", proxy);
  internal::MaskWithStars(Edit13);
  proxy_grid->addWidget(CheckBox13, 0, 0, 1, 4);
  proxy_grid->addWidget(NewLabel("Address:", Edit10, proxy), 1, 0);
  proxy_grid->addWidget(Edit10, 1, 1);
  proxy_grid->addWidget(NewLabel("Port:", Edit11, proxy), 1, 2);
  proxy_grid->addWidget(Edit11, 1, 3);
  proxy_grid->addWidget(NewLabel("User Name:", Edit12, proxy), 2, 0);
  proxy_grid->addWidget(Edit12, 2, 1);
  proxy_grid->addWidget(NewLabel("Password:", Edit13, proxy), 2, 2);
  proxy_grid->addWidget(Edit13, 2, 3);
  proxy_grid->setColumnStretch(1, 2);
  proxy_grid->setColumnStretch(3, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(account);
  layout->addWidget(schedule);
  layout->addWidget(proxy);
  layout->addStretch(1);
}

}  // namespace shelvex::manager
