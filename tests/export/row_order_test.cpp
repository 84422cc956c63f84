#include "export/row_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "export/index_description.h"
#include "platform/error.h"

namespace shelvex::exporting {
namespace {

using Order = std::vector<std::uint32_t>;

SortKeyColumn Integers(std::uint32_t flags,
                       const std::vector<std::optional<std::int64_t>>& values) {
  SortKeyColumn column(1 | flags);
  for (const auto& value : values) value ? column.AddInteger(*value) : column.AddNull();
  return column;
}

SortKeyColumn Strings(std::uint32_t flags, const std::vector<std::optional<std::string>>& values) {
  SortKeyColumn column(1 | flags);
  for (const auto& value : values) value ? column.AddString(*value) : column.AddNull();
  return column;
}

template <class... Columns>
Order Sorted(Columns&&... columns) {
  std::vector<SortKeyColumn> keys;
  (keys.push_back(std::move(columns)), ...);
  return SortedRowOrder(keys.front().size(), keys);
}

TEST(RowOrder, IntegersWithNullsAscendingAndDescending) {
  const std::vector<std::optional<std::int64_t>> values = {3, std::nullopt, -1, 2, std::nullopt, 3};
  EXPECT_EQ(Sorted(Integers(0, values)), (Order{1, 4, 2, 3, 0, 5}));
  // Descending turns the order round, nulls included, but equal keys keep their delivery order.
  EXPECT_EQ(Sorted(Integers(kKeyDescending, values)), (Order{0, 5, 3, 2, 1, 4}));
}

TEST(RowOrder, StringsByTheLocaleIgnoringCaseWhenFlagged) {
  // Windows-1252 bytes: "\xC9" is É, "\xE9" is é. Byte order would put both after "zebra".
  const std::vector<std::optional<std::string>> values = {"zebra",
                                                          "\xC9"
                                                          "cole",
                                                          "CAFE",
                                                          "caf\xE9",
                                                          "Cafe",
                                                          std::nullopt,
                                                          "cafe"};
  // Ignoring case, the three spellings of "cafe" are equal and stay in delivery order.
  EXPECT_EQ(Sorted(Strings(kKeyCaseInsensitive, values)), (Order{5, 2, 4, 6, 3, 1, 0}));
  // Minding case, lower case comes first; an accent still outweighs case.
  EXPECT_EQ(Sorted(Strings(0, values)), (Order{5, 6, 4, 2, 3, 1, 0}));
}

TEST(RowOrder, LaterFieldsBreakTies) {
  EXPECT_EQ(Sorted(Integers(0, {1, 2, 1, 1, 2}),
                   Strings(kKeyDescending | kKeyCaseInsensitive, {"b", "a", "A", "c", "a"})),
            (Order{3, 0, 2, 1, 4}));
}

TEST(RowOrder, FloatsPutNotANumberLast) {
  SortKeyColumn column(1);
  for (double value : {2.5, std::nan(""), -1.0}) column.AddFloat(value);
  column.AddNull();
  EXPECT_EQ(Sorted(std::move(column)), (Order{3, 2, 0, 1}));
}

TEST(RowOrder, IsStableForManyEqualKeys) {
  std::vector<std::optional<std::string>> values;
  for (int i = 0; i < 3000; ++i)
    values.push_back(i % 3 == 0 ? "same" : i % 3 == 1 ? "SAME" : "other");
  const Order order = Sorted(Strings(kKeyCaseInsensitive, values));
  ASSERT_EQ(order.size(), values.size());
  // "other" sorts before "same"; within each group the rows keep their delivery order.
  for (std::size_t i = 1; i < order.size(); ++i) {
    const bool same_group = (order[i] % 3 == 2) == (order[i - 1] % 3 == 2);
    if (same_group) {
      EXPECT_LT(order[i - 1], order[i]) << "at " << i;
    }
  }
  EXPECT_EQ(order.front(), 2u);
  EXPECT_EQ(order[1000], 0u);
}

TEST(RowOrder, NoKeysKeepsTheDeliveryOrder) {
  EXPECT_EQ(SortedRowOrder(4, {}), (Order{0, 1, 2, 3}));
}

TEST(RowOrder, RefusesColumnsThatDoNotFit) {
  std::vector<SortKeyColumn> keys;
  keys.push_back(Integers(0, {1, 2}));
  EXPECT_THROW(SortedRowOrder(3, keys), Error);

  SortKeyColumn mixed(1);
  mixed.AddInteger(1);
  EXPECT_THROW(mixed.AddString("1"), Error);
}

}  // namespace
}  // namespace shelvex::exporting
