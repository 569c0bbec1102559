// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_COLUMNSELECTION_H
#define ORYXUTIL_TOOLS_COLUMNSELECTION_H

// oryx-export --select: which input columns go to the export, in the order
// named, in xsv's syntax: items separated by commas, each a column name, a
// 1-based index or a range A-B of either (B before A counts down; an open
// end runs to the first or the last column). A name of digits only is an
// index; a name holding a comma or a dash is quoted, "a-b"; name[N] is the
// N-th (from 0) column of that name. A column may be selected twice.
// parse() checks the syntax, resolve() finds the columns in the titles;
// both return "" or the reason for refusing. Not thread-safe.

#include <string>
#include <vector>

namespace oryxtool {

class ColumnSelection {
 public:
  std::string parse(const std::string& text);
  std::string resolve(const std::vector<std::string>& titles);
  // The selected fields of `fields` (as wide as the titles) into `out`.
  void apply(const std::vector<std::string>& fields, std::vector<std::string>& out) const;
  void apply(std::vector<std::string>& fields) const;

 private:
  // One end of an item: a name (with its occurrence) or an index from 1; 0: open.
  struct End {
    std::string name;
    size_t occurrence = 0;
    size_t index = 0;
    bool byName = false;
  };
  struct Item {
    End from, to;
    bool range = false;
  };
  std::string find(const End& end, const std::vector<std::string>& titles, size_t open, size_t& column) const;

  std::vector<Item> m_items;
  std::vector<size_t> m_columns;  // 0-based, after resolve()
};

}  // namespace oryxtool

#endif
