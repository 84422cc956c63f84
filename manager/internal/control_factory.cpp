#include "manager/internal/control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace shelvex::manager::internal {

QLineEdit* NewEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QCheckBox* NewCheckBox(const char* caption, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QComboBox* NewEditableCombo(const char* name, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  // Completion would turn a typed "1" into "1 AM", a choice the librarian never made.
  combo->setCompleter(nullptr);
  return combo;
}

QLabel* NewLabel(const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setBuddy(buddy);
  return label;
}

int ComboItemIndex(const QComboBox* combo) {
  const int index = combo->currentIndex();
  if (index < 0 || combo->currentText() != combo->itemText(index)) return -1;
  return index;
}

void SetComboItemIndex(QComboBox* combo, int index) {
  if (index >= 0 && index < combo->count()) {
    combo->setCurrentIndex(index);
    combo->setEditText(combo->itemText(index));
    return;
  }
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
}

}  // namespace shelvex::manager::internal
