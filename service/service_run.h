#pragma once

#include <string>

#include "service/scheduler.h"

namespace shelvex::service {

// Runs the service: the scheduler over one engine for `home` until SIGTERM or SIGINT, reporting to
// systemd through sd_notify (READY once the scheduler runs, STATUS as it goes, STOPPING on stop).
// A stop lets a conversion run in progress finish; the scheduler is joined before the engine goes.
// The service's own failures go to syslog as "Service failed on start: ..." or "Service failed on
// execute: ..." (and to standard error when it is not the journal).
//
// Gives the exit status: 0 after a stop, 1 when the service could not start or the scheduler
// ended with an error (systemd's Restart=on-failure then restarts it).
//
// Call it from the main thread before any other thread exists: it blocks the stop signals in
// every thread so that only its own wait receives them.
int RunService(const std::string& home, const TSchedulerTiming& timing);

}  // namespace shelvex::service
