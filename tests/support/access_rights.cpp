#include "tests/support/access_rights.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <stdexcept>

namespace shelvex::testing {

namespace {

struct Capabilities {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
};

// Raw system calls: they act on the calling thread only, which is what a test wants.
Capabilities Get() {
  Capabilities caps;
  if (syscall(SYS_capget, &caps.header, caps.data) != 0) throw std::runtime_error("capget failed");
  return caps;
}

void Set(Capabilities caps) {
  if (syscall(SYS_capset, &caps.header, caps.data) != 0) throw std::runtime_error("capset failed");
}

constexpr unsigned kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

}  // namespace

ObeyFilePermissions::ObeyFilePermissions() {
  Capabilities caps = Get();
  effective_[0] = caps.data[0].effective;
  effective_[1] = caps.data[1].effective;
  if ((caps.data[0].effective & kOverrides) == 0) return;
  caps.data[0].effective &= ~kOverrides;
  Set(caps);
  changed_ = true;
}

ObeyFilePermissions::~ObeyFilePermissions() {
  if (!changed_) return;
  try {
    Capabilities caps = Get();
    caps.data[0].effective = effective_[0];
    caps.data[1].effective = effective_[1];
    Set(caps);
  } catch (const std::exception&) {
    // The capabilities stay dropped for this thread; the tests that follow only lose root's
    // overrides.
  }
}

}  // namespace shelvex::testing
