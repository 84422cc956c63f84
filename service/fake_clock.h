#pragma once

#include <optional>
#include <string_view>

#include "engine/data_module.h"
#include "platform/date_time.h"

namespace shelvex::service {

// A clock that starts at `start` and then runs `rate` times as fast as the steady clock, so that a
// test or demo with shortened ticks sees the same days and hours pass per tick as the service does.
engine::TDataModule2::TClock MakeRunningClock(platform::TDateTime start, double rate);

// "2026-12-14 13:59:30" (any date and time the platform parsers take, a blank between them; the
// time may be left out); nullopt for anything else.
std::optional<platform::TDateTime> ParseDateTimeText(std::string_view text);

}  // namespace shelvex::service
