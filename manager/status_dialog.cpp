#include "manager/status_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "engine/data_module.h"
#include "manager/internal/widget_look.h"

namespace shelvex::manager {

namespace {

QLineEdit* AddRow(QGridLayout* grid, int row, const char* label, const char* name,
                  QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  internal::MakeDisplayOnly(edit);
  auto* caption = new QLabel(QString::fromLatin1(label), parent);
  caption->setBuddy(edit);
  grid->addWidget(caption, row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Library Server Status"));

  auto* grid = new QGridLayout;
  Edit7 = AddRow(grid, 0, "User Name____________: ", "Edit7", this);
  Edit1 = AddRow(grid, 1, "Is On Line____________: ", "Edit1", this);
  Edit1->setText(QStringLiteral("No"));
  Edit2 = AddRow(grid, 2, "Current Month Hits_____: ", "Edit2", this);
  Edit5 = AddRow(grid, 3, "Last Data Upload_______: ", "Edit5", this);
  grid->setColumnMinimumWidth(1, 220);

  Label6 = new QLabel(QStringLiteral("Message from Velmora:"), this);
  Label6->setObjectName(QStringLiteral("Label6"));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  internal::MakeDisplayOnly(Memo1);
  Memo1->setFixedHeight(70);
  Label6->setVisible(false);
  Memo1->setVisible(false);

  BitBtn1 = new QPushButton(QStringLiteral("&Close"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(Label6);
  layout->addWidget(Memo1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(BitBtn1);
  layout->addLayout(bottom);
  // A fixed frame: it takes the size its rows need.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm4::FormShow() {
  if (Status.empty()) return;
  std::vector<std::string> values;
  std::string user;
  engine::TDataModule2::SplitStatusReply(Status, values, user);
  Edit7->setText(FromUtf8(user));
  if (!values.empty()) Edit1->setText(values[0] == "Yes" ? "Yes" : "No");
  if (values.size() > 1) Edit2->setText(FromUtf8(values[1]));
  if (values.size() > 4) Edit5->setText(FromUtf8(values[4]));
  const bool has_message = values.size() > 6 && !values[6].empty();
  if (has_message) Memo1->setPlainText(FromUtf8(values[6]));
  Label6->setVisible(has_message);
  Memo1->setVisible(has_message);
}

void TForm4::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

}  // namespace shelvex::manager
