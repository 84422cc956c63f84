#include "manager/field_list_pair.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/collation.h"

namespace shelvex::manager {

namespace {

QListWidget* MakeList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(false);
  return list;
}

QPushButton* MakeButton(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

void Fill(QListWidget* list, const std::vector<std::string>& entries) {
  list->clear();
  for (const std::string& entry : entries) list->addItem(QString::fromStdString(entry));
}

}  // namespace

int SelectedRow(const QListWidget* list) {
  const int row = list->currentRow();
  const QListWidgetItem* item = list->item(row);
  return item != nullptr && item->isSelected() ? row : -1;
}

void SelectRow(QListWidget* list, int row) {
  if (row < 0 || row >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return;
  }
  list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

TFieldListPair::TFieldListPair(const FieldListNames& names, QWidget* parent)
    : QGroupBox(QString::fromLatin1(names.title), parent),
      collator_(std::make_unique<platform::TextCollator>(true)) {
  Available = MakeList(names.available, this);
  Chosen = MakeList(names.chosen, this);
  AddButton = MakeButton("Add >>", names.add, this);
  RemoveButton = MakeButton("<< Remove", names.remove, this);
  AddAllButton = names.add_all != nullptr ? MakeButton("Add All >>", names.add_all, this) : nullptr;
  RemoveAllButton = MakeButton("<< Remove All", names.remove_all, this);

  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(AddButton);
  if (AddAllButton != nullptr) buttons->addWidget(AddAllButton);
  buttons->addWidget(RemoveButton);
  buttons->addWidget(RemoveAllButton);
  buttons->addStretch(1);

  auto* grid = new QGridLayout(this);
  auto* available_label = new QLabel(QString::fromLatin1(names.available_label), this);
  available_label->setBuddy(Available);
  auto* chosen_label = new QLabel(QString::fromLatin1(names.chosen_label), this);
  chosen_label->setBuddy(Chosen);
  // The captions must not widen one list beyond the other; a long one wraps instead.
  for (QLabel* label : {available_label, chosen_label}) {
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  }
  grid->addWidget(available_label, 0, 0);
  grid->addWidget(chosen_label, 0, 2);
  grid->addWidget(Available, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(Chosen, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
}

TFieldListPair::~TFieldListPair() = default;

TFieldListPair::AddOutcome TFieldListPair::Add(int limit) {
  const int row = SelectedRow(Available);
  if (row < 0) return AddOutcome::kNothing;
  if (limit > 0 && Chosen->count() >= limit) return AddOutcome::kLimitReached;
  const std::string entry = Available->item(row)->text().toStdString();
  for (int i = 0; i < Chosen->count(); ++i) {
    if (collator_->CompareUtf8(Chosen->item(i)->text().toStdString(), entry) == 0) {
      return AddOutcome::kNothing;
    }
  }
  Chosen->addItem(QString::fromStdString(entry));
  // Moving on lets the librarian add consecutive fields by pressing "Add >>" again and again.
  if (row < Available->count() - 1) SelectRow(Available, row + 1);
  return AddOutcome::kAdded;
}

void TFieldListPair::Remove() {
  const int row = SelectedRow(Chosen);
  if (row < 0) return;
  delete Chosen->takeItem(row);
  SelectRow(Chosen, row < Chosen->count() ? row : Chosen->count() - 1);
}

void TFieldListPair::AddAll() {
  Chosen->clear();
  for (int i = 0; i < Available->count(); ++i) Chosen->addItem(Available->item(i)->text());
}

void TFieldListPair::RemoveAll() { Chosen->clear(); }

std::vector<std::string> TFieldListPair::ChosenEntries() const {
  std::vector<std::string> entries;
  entries.reserve(static_cast<std::size_t>(Chosen->count()));
  for (int i = 0; i < Chosen->count(); ++i)
    entries.push_back(Chosen->item(i)->text().toStdString());
  return entries;
}

void TFieldListPair::SetChosenEntries(const std::vector<std::string>& entries) {
  Fill(Chosen, entries);
}

void TFieldListPair::SetAvailableEntries(const std::vector<std::string>& entries) {
  Fill(Available, entries);
  if (Available->count() > 0) SelectRow(Available, 0);
}

}  // namespace shelvex::manager
