// The program toy: the random sampling toolkit linked as one program whose
// main program is empty.  Its arguments are accepted and ignored.
#include "fio/runtime.hpp"

namespace {
void toy() {}
}  // namespace

int main(int argc, char** argv) {
  fio::start(argc, argv);
  toy();
  return 0;
}
