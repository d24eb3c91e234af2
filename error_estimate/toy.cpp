// The program toy: the random sampling toolkit linked as one program whose
// main program is empty.  Its arguments are accepted and ignored.
namespace {
void toy() {}
}  // namespace

int main() {
  toy();
  return 0;
}
