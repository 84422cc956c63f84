#pragma once

#include <filesystem>
#include <string>

namespace shelvex::testing {

// How many records each table of a sample library gets.
struct SampleLibrarySize {
  int books = 12;
  int loans = 4;
  int reservations = 3;
  int members = 5;
  int fines = 2;
  // The borrowers table's name without ".dbf". A name ending in "r" (such as "member") also
  // qualifies as a reservations table by its name and would take that role from bookr.dbf.
  std::string borrowers = "patron";
  // Every n-th book gets a few sentences of notes in a memo field NOTES; 0: no memo field at all.
  int notes_every = 0;
};

// Writes a small library as the cataloguing program keeps it into `data_folder` (created when
// missing): the five role tables book.dbf (catalogue), bookz.dbf (loans), bookr.dbf
// (reservations), patron.dbf (borrowers, or the name `size.borrowers` gives) and fines.dbf, each
// with its field names file (.lab), and the layout definitions book.def (a loan field naming
// patron.dbf) and patron.def (a master-detail field "fines.dbf" + char 3 + the key fields). The
// values are made up from word lists, the same for the same sizes. Throws std::runtime_error when a
// file cannot be written.
void WriteSampleLibrary(const std::filesystem::path& data_folder,
                        const SampleLibrarySize& size = {});

}  // namespace shelvex::testing
