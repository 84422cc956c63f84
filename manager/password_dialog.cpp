#include "manager/password_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/internal/widget_look.h"

namespace shelvex::manager {

TForm3::TForm3(QWidget* parent)
    // A small frame with a title but neither system menu nor close box.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Login Password"));
  setModal(true);

  Label1 = new QLabel(QStringLiteral("Enter Password :"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  internal::MaskWithStars(Edit1);
  Edit1->setMinimumWidth(180);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  CheckBox1 = new QCheckBox(QStringLiteral("Clear Password"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setVisible(false);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Edit1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(CheckBox1);
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Edit1->setFocus(Qt::OtherFocusReason);
}

}  // namespace shelvex::manager
