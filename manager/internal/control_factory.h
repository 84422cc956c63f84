#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace shelvex::manager::internal {

// Controls made with their object name, the name by which handlers and tests know them.
QLineEdit* NewEdit(const char* name, QWidget* parent);
QCheckBox* NewCheckBox(const char* caption, const char* name, QWidget* parent);
QPushButton* NewButton(const char* caption, const char* name, QWidget* parent);
// A combo box that takes typed text as well as a choice from its items; typed text is not added to
// the items and is not completed from them.
QComboBox* NewEditableCombo(const char* name, QWidget* parent);
// A label that names `buddy`.
QLabel* NewLabel(const char* caption, QWidget* buddy, QWidget* parent);

// The item index of a combo box that takes typed text: -1 when the text shown is not the chosen
// item's (typed, not chosen from the list).
int ComboItemIndex(const QComboBox* combo);
// Chooses item `index`; any other value leaves the box empty with no item chosen.
void SetComboItemIndex(QComboBox* combo, int index);

}  // namespace shelvex::manager::internal
