#pragma once

#include <QGroupBox>
#include <memory>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace shelvex::platform {
class TextCollator;
}

namespace shelvex::manager {

// The names of one pair's controls, as the window's handlers know them.
struct FieldListNames {
  const char* title;            // group caption
  const char* available_label;  // "All Available Columns:"
  const char* chosen_label;     // "Selected Columns:"
  const char* available;        // "ListBox1"
  const char* chosen;           // "ListBox2"
  const char* add;              // "Button1"
  const char* remove;           // "Button2"
  const char* add_all;          // "Button3", or nullptr for a pair without "Add All >>"
  const char* remove_all;       // "Button4"
};

// One field selection pair: all available field names on the left, the chosen ones, in the chosen
// order, on the right, and the buttons between them. Both lists are single-selection and unsorted.
// The buttons are not connected here: the window wires each one to its handler.
class TFieldListPair final : public QGroupBox {
 public:
  TFieldListPair(const FieldListNames& names, QWidget* parent);
  ~TFieldListPair() override;

  enum class AddOutcome { kNothing, kAdded, kLimitReached };

  // Appends the selected available entry to the chosen list unless it holds it already (letter case
  // ignored), then moves the available selection one entry down unless it is on the last entry.
  // With `limit` above 0, a chosen list holding `limit` entries or more takes nothing and gives
  // kLimitReached. Nothing happens without an available selection.
  AddOutcome Add(int limit = 0);
  // Deletes the selected chosen entry and selects the entry now at its place, or the new last one.
  void Remove();
  // The chosen list becomes a copy of the available list.
  void AddAll();
  void RemoveAll();

  std::vector<std::string> ChosenEntries() const;
  void SetChosenEntries(const std::vector<std::string>& entries);
  // Fills the available list and selects its first entry.
  void SetAvailableEntries(const std::vector<std::string>& entries);

  QListWidget* Available;
  QListWidget* Chosen;
  QPushButton* AddButton;
  QPushButton* RemoveButton;
  QPushButton* AddAllButton;  // nullptr for the keyword pair
  QPushButton* RemoveAllButton;

 private:
  std::unique_ptr<platform::TextCollator> collator_;
};

// The selected row of a single-selection list, -1 when nothing is selected.
int SelectedRow(const QListWidget* list);
// Selects `row`, or nothing for -1.
void SelectRow(QListWidget* list, int row);

}  // namespace shelvex::manager
