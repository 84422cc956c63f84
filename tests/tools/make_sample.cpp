// shelvex_make_sample: writes the sample library of the tests into a data folder, for the demo and
// for trying the programs by hand.

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "tests/support/sample_library.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4 || (argc == 4 && std::string(argv[2]) != "--books")) {
    std::cerr << "usage: shelvex_make_sample DATA_FOLDER [--books N]\n"
                 "  writes book.dbf, bookz.dbf, bookr.dbf, patron.dbf and fines.dbf with their\n"
                 "  .lab files, and book.def and patron.def, into DATA_FOLDER\n";
    return 2;
  }
  shelvex::testing::SampleLibrarySize size;
  if (argc == 4) {
    size.books = std::atoi(argv[3]);
    if (size.books <= 0) {
      std::cerr << "shelvex_make_sample: --books needs a positive number\n";
      return 2;
    }
  }
  try {
    shelvex::testing::WriteSampleLibrary(argv[1], size);
  } catch (const std::exception& error) {
    std::cerr << "shelvex_make_sample: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
