#include "engine/data_module.h"

namespace shelvex::engine {

TDataModule2::TDataModule2() : clock_(platform::NowLocal) {}

TDataModule2::~TDataModule2() = default;

platform::TDateTime TDataModule2::Now() const { return clock_(); }

void TDataModule2::SetClock(TClock clock) {
  clock_ = clock ? std::move(clock) : TClock(platform::NowLocal);
}

}  // namespace shelvex::engine
