// Writes a synthetic grid member: write_grid FILE KIND, KIND one of
// "linear" (stored tables linear in ln x and ln Q2) or "coded" (every field
// tells its column, x node and Q2 node).
#include <cstdio>
#include <string>

#include "grid_writer.hpp"

int main(int argc, char** argv) {
  using namespace testsupport;
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_grid FILE linear|coded\n");
    return 2;
  }
  const std::string kind = argv[2];
  std::string text;
  if (kind == "linear") {
    text = grid_text_fine(
        [](int c, int i, int j) { return linear_file_value(c, x_node(i), q2_node(j)); });
  } else if (kind == "coded") {
    text = grid_text(GridDecimals(coded_value));
  } else {
    std::fprintf(stderr, "write_grid: unknown kind %s\n", argv[2]);
    return 2;
  }
  if (const std::string failed = write_text(argv[1], text); !failed.empty()) {
    std::fprintf(stderr, "write_grid: %s\n", failed.c_str());
    return 1;
  }
  return 0;
}
