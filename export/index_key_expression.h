#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shelvex::exporting {

// What an index key expression says about the table's columns.
struct KeyClassification {
  bool is_expression = true;  // the key is not a plain list of columns
  std::vector<int> columns;   // 1-based positions in the column list; empty for an expression
  std::vector<bool> case_insensitive;  // per column: wrapped in UPPER()
};

// Classifies a dBase or FoxPro key expression against the table's columns.
//
// A list of columns is: a field name, field names joined with "+", and UPPER() around either of
// them, in any mix ("UPPER(LAST)+FIRST", "UPPER(LAST+FIRST)"); function and field names compare
// without regard to ASCII case and blanks may stand around names, "+" and parentheses. Everything
// else is an expression: every other function (DTOS(), STR(), LEFT(), ...) changes what is
// compared, even where it keeps the order of one column (DTOS of a date), and a "-" concatenation
// moves blanks. A name that is no column also makes it an expression.
//
// `column_types` holds the dBase type letter of each column, in column order, when the caller knows
// them (empty when not). With the types known, "+" joins only text columns ('C', 'V'): between
// numbers or dates it is arithmetic, so such a key is an expression; so is UPPER() around a column
// that is not text.
KeyClassification ClassifyKeyExpression(std::string_view expression,
                                        const std::vector<std::string>& column_names,
                                        std::string_view column_types = {});

}  // namespace shelvex::exporting
