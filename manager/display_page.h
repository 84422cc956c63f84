#pragma once

#include <QWidget>

namespace shelvex::manager {

class TFieldListPair;

// The "Web Server Display" tab: the field lists of the grid columns, of the selected item on the
// main page and of the details page.
class TDisplayPage final : public QWidget {
 public:
  explicit TDisplayPage(QWidget* parent = nullptr);

  TFieldListPair* Columns;      // ListBox1 / ListBox2, Button1 to Button4, "columns.txt"
  TFieldListPair* Details;      // ListBox3 / ListBox4, Button5 to Button8, "details.txt"
  TFieldListPair* DetailsPage;  // ListBox5 / ListBox6, Button11 to Button14, "det_pg.txt"
};

// The "Search Options" tab: the keyword search fields, up to 8.
class TSearchPage final : public QWidget {
 public:
  explicit TSearchPage(QWidget* parent = nullptr);

  TFieldListPair* Keywords;  // ListBox7 / ListBox8, Button15, Button16, Button18, "keyflds.txt"
};

}  // namespace shelvex::manager
