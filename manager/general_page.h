#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace shelvex::manager {

// The "General Server Options" tab: header, footer, link field, patron options, cover images,
// layout and grid font. It only builds the controls; the window fills and reads them.
class TGeneralPage final : public QWidget {
 public:
  explicit TGeneralPage(QWidget* parent = nullptr);

  // The radio group's item index: 0 "Multi-column Grid", 1 "1-Column Grid", -1 when none is chosen.
  int LayoutIndex() const;
  // Chooses item `index`; any other value leaves no item chosen.
  void SetLayoutIndex(int index);

  QLineEdit* Edit7;        // "Header:"
  QLineEdit* Edit8;        // "Footer:"
  QLineEdit* Edit14;       // the link field
  QCheckBox* CheckBox8;    // "Allow Patron Information"
  QCheckBox* CheckBox9;    // "Accept Reservations"
  QCheckBox* CheckBox10;   // "Display Book Covers in the Grid"
  QCheckBox* CheckBox11;   // "Display Selected Item Book Cover"
  QCheckBox* CheckBox12;   // "Display Large Book Cover"
  QGroupBox* RadioGroup1;  // "Layout:"
  QComboBox* ComboBox2;    // "Grid Font Size:"

 private:
  QButtonGroup* layout_items_;
};

}  // namespace shelvex::manager
