#pragma once
// The logger profile tables of the settings (CSV_Info: signatures, CSV_Option:
// options), each a list of "name=value" rows in table order, and their
// default rows.

#include <string>
#include <string_view>
#include <vector>

namespace orthelev {

// Completes the CSV_Info and CSV_Option tables with every default row whose
// name has no row with a non-empty value yet, in the default order.
void MergeDefaultProfiles();

// "name=value" rows: the text before the first "=" (all of it when there is
// none) and the text after it ("" when there is none).
std::string_view ProfileRowName(std::string_view row);
std::string_view ProfileRowValue(std::string_view row);

// The value of the first row named `name` (letters compared without regard
// to case), or "" when there is none.
std::string_view ProfileValue(const std::vector<std::string>& rows, std::string_view name);

}  // namespace orthelev
