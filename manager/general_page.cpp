#include "manager/general_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "manager/internal/control_factory.h"

namespace shelvex::manager {

namespace {

using internal::NewCheckBox;
using internal::NewEdit;
using internal::NewLabel;

}  // namespace

TGeneralPage::TGeneralPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet2"));

  auto* general = new QGroupBox(QStringLiteral("General Options:"), this);
  auto* general_grid = new QGridLayout(general);
  Edit7 = NewEdit("Edit7", general);
  Edit8 = NewEdit("Edit8", general);
  Edit14 = NewEdit("Edit14", general);
  CheckBox8 = NewCheckBox("Allow Patron Information", "CheckBox8", general);
  CheckBox9 = NewCheckBox("Accept Reservations", "CheckBox9", general);
  general_grid->addWidget(NewLabel("Header:", Edit7, general), 0, 0);
  general_grid->addWidget(Edit7, 0, 1);
  general_grid->addWidget(NewLabel("Footer:", Edit8, general), 1, 0);
  general_grid->addWidget(Edit8, 1, 1);
  general_grid->addWidget(
      NewLabel("Name of the field containing Links to online store: (optional)", Edit14, general),
      2, 0, 1, 2);
  general_grid->addWidget(Edit14, 3, 0, 1, 2);
  general_grid->addWidget(CheckBox8, 4, 0, 1, 2);
  general_grid->addWidget(CheckBox9, 5, 0, 1, 2);
  general_grid->setColumnStretch(1, 1);

  auto* covers = new QGroupBox(QStringLiteral("Book Cover Images:"), this);
  auto* covers_layout = new QVBoxLayout(covers);
  CheckBox10 = NewCheckBox("Display Book Covers in the Grid", "CheckBox10", covers);
  CheckBox11 = NewCheckBox("Display Selected Item Book Cover", "CheckBox11", covers);
  CheckBox12 = NewCheckBox("Display Large Book Cover", "CheckBox12", covers);
  covers_layout->addWidget(CheckBox10);
  covers_layout->addWidget(CheckBox11);
  covers_layout->addWidget(CheckBox12);

  RadioGroup1 = new QGroupBox(QStringLiteral("Layout:"), this);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  layout_items_ = new QButtonGroup(RadioGroup1);
  auto* radio_layout = new QVBoxLayout(RadioGroup1);
  const char* items[] = {"Multi-column Grid", "1-Column Grid"};
  for (int index = 0; index < 2; ++index) {
    auto* item = new QRadioButton(QString::fromLatin1(items[index]), RadioGroup1);
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(index));
    layout_items_->addButton(item, index);
    radio_layout->addWidget(item);
  }

  ComboBox2 = internal::NewEditableCombo("ComboBox2", this);
  ComboBox2->addItems({QStringLiteral("Small"), QStringLiteral("Medium"), QStringLiteral("Large")});
  auto* font_row = new QHBoxLayout;
  font_row->addWidget(NewLabel("Grid Font Size:", ComboBox2, this));
  font_row->addWidget(ComboBox2);
  font_row->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(general);
  layout->addWidget(covers);
  layout->addWidget(RadioGroup1);
  layout->addLayout(font_row);
  layout->addStretch(1);
}

int TGeneralPage::LayoutIndex() const { return layout_items_->checkedId(); }

void TGeneralPage::SetLayoutIndex(int index) {
  QAbstractButton* item = layout_items_->button(index);
  if (item != nullptr) {
    item->setChecked(true);
    return;
  }
  // An exclusive group never lets the last checked item go by itself.
  layout_items_->setExclusive(false);
  for (QAbstractButton* button : layout_items_->buttons()) button->setChecked(false);
  layout_items_->setExclusive(true);
}

}  // namespace shelvex::manager
