// Writes the bundled synthetic table set into a directory:
//   pds_write DIR
// zemo.00.pds (set 100): a smooth, realistic shape on 60 x and 16 t nodes,
// flavours -5..5 (MxFlvN0 = 5, mxval = 2: flavours 3..5 share the slots of
// their antiquarks).
#include <cstdio>
#include <string>

#include "common/output_file.hpp"
#include "pds_writer.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pds_write DIR\n");
    return 2;
  }
  const testsupport::PdsTable table =
      testsupport::make_table(60, 16, 5, 2, testsupport::realistic_value);
  const std::string path = std::string(argv[1]) + "/zemo.00.pds";
  const std::string failed = pdferr::common::write_whole_file(path, testsupport::pds_text(table));
  if (!failed.empty()) {
    std::fprintf(stderr, "pds_write: %s\n", failed.c_str());
    return 1;
  }
  return 0;
}
