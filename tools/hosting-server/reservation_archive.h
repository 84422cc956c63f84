#pragma once

#include <string>
#include <vector>

namespace shelvex::host {

// The reply to the reservations command: a ZIP archive holding one entry, "reserve.txt", with
// `lines` each followed by CR LF, the bytes as stored. With a non-empty `password` the entry is
// encrypted with the traditional PKWARE method, as the manager's archive reader expects. No lines
// give an empty reserve.txt, so that a second request does not hand the same reservations out
// again. Throws Error when libzip fails.
std::string BuildReservationArchive(const std::vector<std::string>& lines,
                                    const std::string& password);

}  // namespace shelvex::host
