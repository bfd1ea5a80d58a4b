// tCString3: the list of string rows kept as a string table.
#include "tCString3/tCString3.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/common.h"
#include "tCString2/tCString2.h"
#include "test_util.h"

namespace {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

// A caller-owned string table built from nested literals.
class Table {
 public:
  Table(std::initializer_list<std::initializer_list<const char*>> rows) {
    for (const auto& r : rows) text_.emplace_back(r.begin(), r.end());
    link();
  }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  char*** get() { return outer_.data(); }
  char** row(size_t i) { return outer_[i]; }

 private:
  void link() {
    inner_.resize(text_.size());
    for (size_t i = 0; i < text_.size(); ++i) {
      for (auto& s : text_[i]) inner_[i].push_back(&s[0]);
      inner_[i].push_back(nullptr);
    }
    for (auto& v : inner_) outer_.push_back(v.data());
    outer_.push_back(nullptr);
  }
  Rows text_;
  std::vector<std::vector<char*>> inner_;
  std::vector<char**> outer_;
};

// A caller-owned row.
class RowVec {
 public:
  RowVec(std::initializer_list<const char*> words) : text_(words.begin(), words.end()) {
    for (auto& s : text_) ptrs_.push_back(&s[0]);
    ptrs_.push_back(nullptr);
  }
  RowVec(const RowVec&) = delete;
  RowVec& operator=(const RowVec&) = delete;
  char** get() { return ptrs_.data(); }

 private:
  Row text_;
  std::vector<char*> ptrs_;
};

// The table's rows, read by walking its storage the way the parsers do
// (indexing until a null row); checks the table shape on the way.
Rows contents(const tCString3& t) {
  char*** raw = t;
  EXPECT_NE(raw, nullptr);
  Rows r;
  if (raw == nullptr) return r;
  for (int i = 0; t[i] != nullptr; ++i) {
    EXPECT_LT(i, t.GetLength());
    if (i >= t.GetLength()) break;
    EXPECT_EQ(t[i], raw[i]);
    EXPECT_EQ(t.GetAt(i), raw[i]);
    Row row;
    for (char** p = t[i]; *p != nullptr; ++p) row.emplace_back(*p);
    r.push_back(row);
  }
  EXPECT_EQ(static_cast<int>(r.size()), t.GetLength());
  EXPECT_EQ(raw[t.GetLength()], nullptr);
  EXPECT_EQ(addresslen3(raw), t.GetLength());
  return r;
}

std::string assertRe(const std::string& expr) {
  std::string r = "Assertion failed: ";
  for (char c : expr) {
    if (std::strchr("()[]{}.*+?^$|\\", c) != nullptr) r += '\\';
    r += c;
  }
  return r + ", file tCString3/tCString3\\.cpp, line " TAVO_RE_DIGITS;
}

// Every string pointer of the table, to check that copies never share.
std::vector<const void*> pointers(const tCString3& t) {
  std::vector<const void*> r;
  for (int i = 0; i < t.GetLength(); ++i) {
    r.push_back(t[i]);
    for (char** p = t[i]; *p != nullptr; ++p) r.push_back(*p);
  }
  return r;
}

void expectDisjoint(const tCString3& a, const tCString3& b) {
  for (const void* p : pointers(a))
    for (const void* q : pointers(b)) EXPECT_NE(p, q);
}

// ---------------------------------------------------------------------------

TEST(tCString3, NewTableIsEmptyWithOneNullSlot) {
  tCString3 t;
  EXPECT_EQ(t.GetLength(), 0);
  EXPECT_EQ(t.IsEmpty(), 1);
  EXPECT_EQ(!t, 1);
  char*** raw = t;
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw[0], nullptr);
  EXPECT_EQ(t[0], nullptr);
  EXPECT_EQ(t.GetAt(0), nullptr);

  RowVec r{"k", "v"};
  t += r.get();
  EXPECT_EQ(t.IsEmpty(), 0);
  EXPECT_EQ(!t, 0);
  EXPECT_EQ(t.Empty(), 1);
  EXPECT_EQ(t.GetLength(), 0);
  raw = t;
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw[0], nullptr);
}

TEST(tCString3, ConstructFromTableCopiesEveryRowAndString) {
  Table src{{"a", "b"}, {}, {"c"}, {"\xff", ""}};
  tCString3 t(src.get());
  EXPECT_EQ(t.GetLength(), 4);
  EXPECT_EQ(contents(t), (Rows{{"a", "b"}, {}, {"c"}, {"\xff", ""}}));
  EXPECT_EQ(t == src.get(), 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(t[i], src.row(i));
    for (int j = 0; t[i][j] != nullptr; ++j) EXPECT_NE(t[i][j], src.row(i)[j]);
  }
  // An empty row is a real one-slot vector, never a null slot.
  ASSERT_NE(t[1], nullptr);
  EXPECT_EQ(t[1][0], nullptr);

  tCString3 c(t);
  EXPECT_EQ(contents(c), contents(t));
  expectDisjoint(c, t);

  char** emptyTable[] = {nullptr};
  tCString3 e(emptyTable);
  EXPECT_EQ(e.GetLength(), 0);
}

TEST(tCString3, TableWorksWithTheFreeFunctions) {
  Table src{{"a"}, {"b", "c"}};
  tCString3 t(src.get());
  char*** raw = t;
  EXPECT_EQ(addresslen3(raw), 2);
  EXPECT_EQ(addresslen2(raw[1]), 2);
  // A row handed out converts straight into a string list.
  tCString2 row(t[1]);
  EXPECT_EQ(row.GetLength(), 2);
  EXPECT_STREQ(row[1], "c");
}

TEST(tCString3, AssignmentReplacesEverything) {
  Table src{{"a", "b"}, {"c"}};
  tCString3 t;
  RowVec r{"x"};
  t += r.get();

  t = src.get();
  EXPECT_EQ(contents(t), (Rows{{"a", "b"}, {"c"}}));

  RowVec one{"k", "v"};
  const tCString3& ref = (t = one.get());
  EXPECT_EQ(&ref, &t);
  EXPECT_EQ(contents(t), (Rows{{"k", "v"}}));

  RowVec empty{};
  t = empty.get();  // one empty row: a table of one row, not the empty table
  EXPECT_EQ(t.GetLength(), 1);
  EXPECT_EQ(contents(t), (Rows{{}}));
  EXPECT_EQ(t == tCString3(), 0);

  tCString3 other(src.get());
  t = other;
  EXPECT_EQ(contents(t), (Rows{{"a", "b"}, {"c"}}));
  expectDisjoint(t, other);

  char** emptyTable[] = {nullptr};
  t = emptyTable;
  EXPECT_EQ(t.GetLength(), 0);
  EXPECT_EQ(static_cast<char***>(t)[0], nullptr);
}

TEST(tCString3, AssignmentFromItsOwnStorage) {
  Table src{{"a", "b"}, {"c"}, {"d"}};
  tCString3 t(src.get());
  t = static_cast<char***>(t);
  EXPECT_EQ(contents(t), (Rows{{"a", "b"}, {"c"}, {"d"}}));
  t = static_cast<char***>(t) + 1;  // a part of its own table
  EXPECT_EQ(contents(t), (Rows{{"c"}, {"d"}}));
  t = t[1];  // one of its own rows
  EXPECT_EQ(contents(t), (Rows{{"d"}}));
}

TEST(tCString3, AppendingKeepsOrderAndEmptyRows) {
  Table src{{"a"}, {}, {"b", "c"}};
  tCString3 t;
  const tCString3& ref = (t += src.get());
  EXPECT_EQ(&ref, &t);
  RowVec r{"d"};
  t += r.get();
  tCString3 more;
  more += r.get();
  t += more;
  EXPECT_EQ(contents(t), (Rows{{"a"}, {}, {"b", "c"}, {"d"}, {"d"}}));
  expectDisjoint(t, more);
}

TEST(tCString3, AppendingItsOwnStorage) {
  Table src{{"a", "b"}, {"c"}};
  tCString3 t(src.get());
  t += t;
  EXPECT_EQ(contents(t), (Rows{{"a", "b"}, {"c"}, {"a", "b"}, {"c"}}));

  tCString3 u(src.get());
  u += static_cast<char***>(u);
  EXPECT_EQ(contents(u), (Rows{{"a", "b"}, {"c"}, {"a", "b"}, {"c"}}));

  tCString3 w(src.get());
  w += static_cast<char***>(w) + 1;
  w += static_cast<char***>(w) + w.GetLength();  // its own null slot: nothing
  for (int i = 0; i < 3; ++i) w += w[0];
  EXPECT_EQ(contents(w), (Rows{{"a", "b"}, {"c"}, {"c"}, {"a", "b"}, {"a", "b"}, {"a", "b"}}));

  tCString3 e;
  e += e;
  EXPECT_EQ(e.GetLength(), 0);
}

TEST(tCString3, ConcatenationBuildsNewTablesAndLeavesOperands) {
  Table ab{{"a"}, {"b"}};
  Table cd{{"c"}, {"d"}};
  RowVec row{"r1", "r2"};
  tCString3 l(ab.get());
  tCString3 r(cd.get());
  struct Case {
    const char* name;
    tCString3 result;
    Rows expected;
  } cases[] = {
      {"table+table", l + r, {{"a"}, {"b"}, {"c"}, {"d"}}},
      {"table+self", l + l, {{"a"}, {"b"}, {"a"}, {"b"}}},
      {"table+raw", l + cd.get(), {{"a"}, {"b"}, {"c"}, {"d"}}},
      {"raw+table", cd.get() + l, {{"c"}, {"d"}, {"a"}, {"b"}}},
      {"table+row", l + row.get(), {{"a"}, {"b"}, {"r1", "r2"}}},
      {"row+table", row.get() + l, {{"r1", "r2"}, {"a"}, {"b"}}},
      {"empty+empty", tCString3() + tCString3(), {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(contents(c.result), c.expected);
    expectDisjoint(c.result, l);
  }
  EXPECT_EQ(contents(l), (Rows{{"a"}, {"b"}}));
  EXPECT_EQ(contents(r), (Rows{{"c"}, {"d"}}));
}

TEST(tCString3, Equality) {
  Table base{{"a", "b"}, {"c"}};
  tCString3 t(base.get());
  Table same{{"a", "b"}, {"c"}};
  Table resplit{{"a"}, {"b", "c"}};
  Table upper{{"A", "b"}, {"c"}};
  Table swapped{{"c"}, {"a", "b"}};
  Table fewer{{"a", "b"}};
  Table more{{"a", "b"}, {"c"}, {}};
  Table longerRow{{"a", "b"}, {"c", "d"}};
  Table shorterRow{{"a", "b"}, {}};
  struct Case {
    const char* name;
    char*** table;
    int equal;
  } cases[] = {
      {"same", same.get(), 1},           {"resplit", resplit.get(), 0},       {"upper", upper.get(), 0},
      {"swapped", swapped.get(), 0},     {"fewer", fewer.get(), 0},           {"more", more.get(), 0},
      {"longerRow", longerRow.get(), 0}, {"shorterRow", shorterRow.get(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(t == c.table, c.equal);
    EXPECT_EQ(t != c.table, 1 - c.equal);
    tCString3 other(c.table);
    EXPECT_EQ(t == other, c.equal);
    EXPECT_EQ(t != other, 1 - c.equal);
  }
  tCString3 e;
  char** emptyTable[] = {nullptr};
  EXPECT_EQ(e == emptyTable, 1);
  EXPECT_EQ(e == tCString3(), 1);
  Table oneEmptyRow{{}};
  EXPECT_EQ(e == oneEmptyRow.get(), 0);
  EXPECT_EQ(tCString3(oneEmptyRow.get()) == oneEmptyRow.get(), 1);
}

TEST(tCString3, InsertAtEveryPosition) {
  for (int at = 0; at <= 3; ++at) {
    SCOPED_TRACE(at);
    Table src{{"a"}, {"b"}, {"c"}};
    tCString3 t(src.get());
    RowVec x{"X", "Y"};
    EXPECT_EQ(t.Insert(at, x.get()), 4);
    Rows expected{{"a"}, {"b"}, {"c"}};
    expected.insert(expected.begin() + at, Row{"X", "Y"});
    EXPECT_EQ(contents(t), expected);
    EXPECT_NE(t[at], x.get());
  }
  tCString3 e;
  RowVec r{"r"};
  RowVec empty{};
  EXPECT_EQ(e.Insert(e.GetLength(), r.get()), 1);
  EXPECT_EQ(e.Insert(0, empty.get()), 2);
  EXPECT_EQ(e.Insert(1, e[1]), 3);  // one of its own rows
  EXPECT_EQ(contents(e), (Rows{{}, {"r"}, {"r"}}));
}

TEST(tCString3, SetAtReplacesOneRow) {
  Table src{{"a", "b"}, {"c"}, {"d"}};
  tCString3 t(src.get());
  char** untouched = t[2];
  RowVec r{"x", "y", "z"};
  EXPECT_EQ(t.SetAt(0, r.get()), 1);
  RowVec empty{};
  EXPECT_EQ(t.SetAt(1, empty.get()), 1);
  EXPECT_EQ(contents(t), (Rows{{"x", "y", "z"}, {}, {"d"}}));
  EXPECT_EQ(t.GetLength(), 3);
  EXPECT_EQ(t[2], untouched);

  // The very row it replaces, and another of its rows.
  EXPECT_EQ(t.SetAt(0, t[0]), 1);
  EXPECT_EQ(t.SetAt(1, t[2]), 1);
  EXPECT_EQ(contents(t), (Rows{{"x", "y", "z"}, {"d"}, {"d"}}));
  EXPECT_NE(t[1], t[2]);
  EXPECT_NE(t[1][0], t[2][0]);
}

TEST(tCString3, RemoveClosesTheGap) {
  for (int at = 0; at < 3; ++at) {
    SCOPED_TRACE(at);
    Table src{{"a"}, {"b"}, {"c"}};
    tCString3 t(src.get());
    char** kept[3] = {t[0], t[1], t[2]};
    EXPECT_EQ(t.Remove(at), 1);
    Rows expected{{"a"}, {"b"}, {"c"}};
    expected.erase(expected.begin() + at);
    EXPECT_EQ(contents(t), expected);
    for (int i = 0, j = 0; i < 3; ++i)
      if (i != at) EXPECT_EQ(t[j++], kept[i]);
  }
  RowVec r{"only"};
  tCString3 one;
  one = r.get();
  EXPECT_EQ(one.Remove(0), 1);
  EXPECT_EQ(one.GetLength(), 0);
  EXPECT_EQ(static_cast<char***>(one)[0], nullptr);
  one += r.get();
  EXPECT_EQ(contents(one), (Rows{{"only"}}));
}

TEST(tCString3, ConfigurationStyleUse) {
  // Rows of [key, value] filled from split lines and looked up by walking
  // the rows until the null one, as the configuration readers do.
  std::unique_ptr<tCString3> conf(new tCString3);
  const char* lines[][2] = {{"HostName", "db1"}, {"UserName", "\xd3\xc3\xbb\xa7"}, {"Empty", ""}};
  for (const auto& kv : lines) {
    tCString2 row;
    row += kv[0];
    row += kv[1];
    *conf += static_cast<char**>(row);
  }
  auto lookup = [&](const char* key) -> const char* {
    for (int i = 0; (*conf)[i] != nullptr; ++i)
      if (std::strcmp((*conf)[i][0], key) == 0) return (*conf)[i][1];
    return nullptr;
  };
  EXPECT_STREQ(lookup("UserName"), "\xd3\xc3\xbb\xa7");
  EXPECT_STREQ(lookup("Empty"), "");
  EXPECT_EQ(lookup("Missing"), nullptr);
}

// Client classes derive from the list and are deleted through it.
static_assert(std::has_virtual_destructor_v<tCString3>, "tCString3 is deleted through base pointers");

TEST(tCString3, ManyRows) {
  // Every added row resizes the outer array to its exact new size; under
  // AddressSanitizer each resize is a full copy, so use fewer rows there.
  const int n = TAVO_TEST_SANITIZED ? 8000 : 300000;
  tCString3 t;
  char key[16];
  char value[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(key, sizeof key, "k%d", i);
    std::snprintf(value, sizeof value, "v%d", i);
    char* row[] = {key, value, nullptr};
    t += row;
  }
  ASSERT_EQ(t.GetLength(), n);
  std::snprintf(value, sizeof value, "v%d", n - 1);
  EXPECT_STREQ(t[n - 1][1], value);
  EXPECT_EQ(t[n], nullptr);
  tCString3 copy(t);
  EXPECT_EQ(copy == t, 1);
  copy.Remove(0);
  EXPECT_EQ(copy != t, 1);
  t += t;
  EXPECT_EQ(t.GetLength(), 2 * n);
}

// ---------------------------------------------------------------------------

TEST(tCString3DeathTest, Preconditions) {
  Table src{{"a"}, {"b"}};
  tCString3 t(src.get());
  char*** nullTable = nullptr;
  char** nullRow = nullptr;
  RowVec r{"x"};
  // Positive controls: the boundary values are accepted.
  EXPECT_EQ(t[2], nullptr);
  EXPECT_EQ(t.GetAt(2), nullptr);

  EXPECT_DEATH(t[3], assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(t[-1], assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(t.GetAt(3), assertRe("(nPos >= 0) && (nPos <= m_nLen)"));
  EXPECT_DEATH(t.SetAt(2, r.get()), assertRe("(nPos >= 0) && (nPos < m_nLen) && pStr"));
  EXPECT_DEATH(t.SetAt(0, nullRow), assertRe("(nPos >= 0) && (nPos < m_nLen) && pStr"));
  EXPECT_DEATH(t.Insert(3, r.get()), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(t.Insert(-1, r.get()), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(t.Insert(0, nullRow), assertRe("(nIndex >= 0) && (nIndex <= m_nLen) && pStr"));
  EXPECT_DEATH(t.Remove(2), assertRe("(nPos >= 0) && (nPos < m_nLen)"));
  EXPECT_DEATH(t.Remove(-1), assertRe("(nPos >= 0) && (nPos < m_nLen)"));
  EXPECT_DEATH(tCString3{nullTable}, assertRe("pStr"));
  EXPECT_DEATH(t = t, assertRe("(&oRight) != this"));
  EXPECT_DEATH(t = nullTable, assertRe("pRight"));
  EXPECT_DEATH(t = nullRow, assertRe("pRight"));
  EXPECT_DEATH(t += nullTable, assertRe("pRight"));
  EXPECT_DEATH(t += nullRow, assertRe("pRight"));
  EXPECT_DEATH(t + nullTable, assertRe("pRight"));
  EXPECT_DEATH(nullTable + t, assertRe("pLeft"));
  EXPECT_DEATH(t + nullRow, assertRe("pRight"));
  EXPECT_DEATH(nullRow + t, assertRe("pLeft"));
  EXPECT_DEATH((void)(t == nullTable), assertRe("pRight"));
  EXPECT_DEATH((void)(t != nullTable), assertRe("pRight"));
}

}  // namespace
