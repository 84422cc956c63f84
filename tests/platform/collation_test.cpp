#include "platform/collation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/internal/unicode_text.h"

namespace shelvex::platform {
namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

struct OrderCase {
  const char* a;
  const char* b;
  int ignoring_case;  // sign of the comparison with case ignored
  int with_case;      // sign with case significant
};

class Collation : public ::testing::TestWithParam<OrderCase> {};

TEST_P(Collation, ComparesAndSortKeysAgree) {
  const OrderCase& c = GetParam();
  for (const bool ignore_case : {true, false}) {
    SCOPED_TRACE(ignore_case ? "ignoring case" : "with case");
    const TextCollator collator(ignore_case);
    const int expected = ignore_case ? c.ignoring_case : c.with_case;
    EXPECT_EQ(Sign(collator.CompareUtf8(c.a, c.b)), expected);
    const std::u16string a16 = internal::Utf8ToUtf16(c.a);
    const std::u16string b16 = internal::Utf8ToUtf16(c.b);
    EXPECT_EQ(Sign(collator.Compare(a16, b16)), expected);
    EXPECT_EQ(Sign(collator.SortKey(a16).compare(collator.SortKey(b16))), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, Collation,
    ::testing::Values(OrderCase{"Fiction", "fiction", 0, 1},
                      OrderCase{"CAF\xC3\x89", "caf\xC3\xA9", 0, 1},
                      OrderCase{"cafe", "caf\xC3\xA9", -1, -1}, OrderCase{"Art", "Fiction", -1, -1},
                      OrderCase{"History", "fiction", 1, 1},
                      OrderCase{"\xC3\x89"
                                "cole",
                                "zebra", -1, -1},
                      OrderCase{"co-op", "coop", -1, -1}, OrderCase{" Art", "Art", -1, -1},
                      OrderCase{"Art ", "Art", 1, 1}, OrderCase{"", "a", -1, -1}));

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv final {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Collation, LocaleComesFromTheEnvironment) {
  struct {
    const char* lc_all;
    const char* lc_collate;
    const char* lang;
    const char* expected;
  } const cases[] = {
      {nullptr, nullptr, nullptr, "en_US"},
      {"C", nullptr, "de_DE.UTF-8", "en_US"},
      {"", "POSIX", "de_DE", "en_US"},
      {nullptr, nullptr, "de_DE.UTF-8", "de_DE"},
      {nullptr, "sv_SE.ISO-8859-1", "de_DE", "sv_SE"},
      {"fr_FR@euro", "sv_SE", "de_DE", "fr_FR"},
  };
  for (const auto& c : cases) {
    ScopedEnv all("LC_ALL", c.lc_all), collate("LC_COLLATE", c.lc_collate), lang("LANG", c.lang);
    EXPECT_EQ(CollationLocaleName(), c.expected) << (c.lang ? c.lang : "(no LANG)");
  }
}

TEST(Collation, SwedishLocaleSortsAWithRingAfterZ) {
  ScopedEnv all("LC_ALL", "sv_SE.UTF-8");
  const TextCollator collator(true);
  EXPECT_GT(collator.CompareUtf8("\xC3\xA5sa", "zebra"), 0);
}

}  // namespace
}  // namespace shelvex::platform
