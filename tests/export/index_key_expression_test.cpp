#include "export/index_key_expression.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace shelvex::exporting {
namespace {

const std::vector<std::string> kColumns = {"ID", "LAST", "FIRST", "TITLE", "ADDED", "COPIES"};
const char* const kTypes = "NCCCDN";

struct KeyCase {
  const char* expression;
  const char* types;         // "" when the caller does not know them
  std::vector<int> columns;  // empty: an expression
  std::vector<bool> case_insensitive;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << '"' << c.expression << '"'; }

class ClassifyKeyExpressionTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ClassifyKeyExpressionTest, Classifies) {
  const KeyCase& c = GetParam();
  const KeyClassification key = ClassifyKeyExpression(c.expression, kColumns, c.types);
  EXPECT_EQ(key.is_expression, c.columns.empty()) << c.expression;
  EXPECT_EQ(key.columns, c.columns) << c.expression;
  EXPECT_EQ(key.case_insensitive, c.case_insensitive) << c.expression;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ClassifyKeyExpressionTest,
    ::testing::Values(
        // Columns, ignoring the case of names and the blanks around them.
        KeyCase{"TITLE", "", {4}, {false}}, KeyCase{"title", "", {4}, {false}},
        KeyCase{"LAST+FIRST", "", {2, 3}, {false, false}},
        KeyCase{"  Last +  first ", kTypes, {2, 3}, {false, false}},
        KeyCase{"upper(title)", "", {4}, {true}}, KeyCase{"UPPER ( TITLE )", kTypes, {4}, {true}},
        KeyCase{"UPPER(LAST)+FIRST", kTypes, {2, 3}, {true, false}},
        KeyCase{"UPPER(LAST+FIRST)", "", {2, 3}, {true, true}},
        KeyCase{"UPPER(UPPER(LAST))", "", {2}, {true}}, KeyCase{"ID", kTypes, {1}, {false}},
        KeyCase{"ADDED", kTypes, {5}, {false}},
        // Unknown types: "+" is taken as the concatenation the writer accepted.
        KeyCase{"ID+COPIES", "", {1, 6}, {false, false}},
        // Expressions.
        KeyCase{"DTOS(ADDED)", "", {}, {}}, KeyCase{"STR(ID,6)", "", {}, {}},
        KeyCase{"LEFT(LAST,3)", "", {}, {}}, KeyCase{"LAST-FIRST", "", {}, {}},
        KeyCase{"AUTHOR", "", {}, {}}, KeyCase{"LAST+AUTHOR", "", {}, {}},
        KeyCase{"ID+COPIES", kTypes, {}, {}}, KeyCase{"LAST+ID", kTypes, {}, {}},
        KeyCase{"UPPER(ID)", kTypes, {}, {}}, KeyCase{"LAST+", "", {}, {}},
        KeyCase{"+LAST", "", {}, {}}, KeyCase{"(LAST)", "", {}, {}},
        KeyCase{"UPPER(LAST", "", {}, {}}, KeyCase{"UPPER()", "", {}, {}},
        KeyCase{"BOOKS->LAST", "", {}, {}}, KeyCase{"LAST FIRST", "", {}, {}},
        KeyCase{"", "", {}, {}}, KeyCase{"   ", "", {}, {}}));

TEST(ClassifyKeyExpression, DeepNestingIsAnExpressionNotACrash) {
  std::string expression;
  for (int i = 0; i < 5000; ++i) expression += "UPPER(";
  expression += "LAST";
  for (int i = 0; i < 5000; ++i) expression += ")";
  EXPECT_TRUE(ClassifyKeyExpression(expression, kColumns).is_expression);
}

}  // namespace
}  // namespace shelvex::exporting
