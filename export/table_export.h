#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace shelvex::exporting {

// Writes the dBase table `table_file_name` of `data_folder` (ending in "/") as one XML data packet
// file at `output_path`. When the output file's name is exactly "library.xml", the catalogue's
// categories (the values of its "CATEGORY" field, de-duplicated and ordered without regard to case)
// also go to "cat.txt" beside it.
//
// Every failure throws shelvex::Error carrying the message: a table that cannot be read leaves no
// file behind; a failure while the XML is written leaves an empty or incomplete file of that name;
// a failure in the category steps leaves the complete XML file and no (or an incomplete) category
// file. Keeps no state between calls.
//
// `progress`, when set, is called now and then on the calling thread with the records done so far
// and the records to do, for a progress display; it must not throw.
using ExportProgress = std::function<void(std::uint32_t done, std::uint32_t total)>;

void ExportTableToXml(const std::string& data_folder, const std::string& table_file_name,
                      const std::string& output_path, const ExportProgress& progress = {});

}  // namespace shelvex::exporting
