#include "manager/display_page.h"

#include <QVBoxLayout>

#include "manager/field_list_pair.h"

namespace shelvex::manager {

namespace {

constexpr FieldListNames kColumns{"Displayed Grid Columns:",
                                  "All Available Columns:",
                                  "Selected Columns:",
                                  "ListBox1",
                                  "ListBox2",
                                  "Button1",
                                  "Button2",
                                  "Button3",
                                  "Button4"};
constexpr FieldListNames kDetails{"Displayed Selected Item Fields on Main Page:",
                                  "All Available Fields:",
                                  "Selected Fields:",
                                  "ListBox3",
                                  "ListBox4",
                                  "Button5",
                                  "Button6",
                                  "Button7",
                                  "Button8"};
constexpr FieldListNames kDetailsPage{"Displayed Selected Item Fields on Details Page:",
                                      "All Available Fields:",
                                      "Selected Fields:",
                                      "ListBox5",
                                      "ListBox6",
                                      "Button11",
                                      "Button12",
                                      "Button13",
                                      "Button14"};
constexpr FieldListNames kKeywords{"Keyword Search Fields :",
                                   "All Available Columns:",
                                   "Selected Keyword Search Fields (up to 8) :",
                                   "ListBox7",
                                   "ListBox8",
                                   "Button15",
                                   "Button16",
                                   nullptr,
                                   "Button18"};

}  // namespace

TDisplayPage::TDisplayPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet3"));
  Columns = new TFieldListPair(kColumns, this);
  Details = new TFieldListPair(kDetails, this);
  DetailsPage = new TFieldListPair(kDetailsPage, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Columns);
  layout->addWidget(Details);
  layout->addWidget(DetailsPage);
}

TSearchPage::TSearchPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet4"));
  Keywords = new TFieldListPair(kKeywords, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Keywords);
  layout->addStretch(1);
}

}  // namespace shelvex::manager
