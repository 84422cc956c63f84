#pragma once

namespace shelvex::testing {

// While it lives, the calling thread obeys file permissions even when it runs as root: the
// capabilities that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER) are taken out
// of its effective set and put back afterwards. Without them a test of a read-only folder would
// pass as root for the wrong reason. For anyone else it changes nothing.
class ObeyFilePermissions final {
 public:
  ObeyFilePermissions();
  ~ObeyFilePermissions();
  ObeyFilePermissions(const ObeyFilePermissions&) = delete;
  ObeyFilePermissions& operator=(const ObeyFilePermissions&) = delete;

 private:
  unsigned effective_[2] = {};
  bool changed_ = false;
};

}  // namespace shelvex::testing
