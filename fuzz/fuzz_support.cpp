#include "fuzz_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "fio/stop_handler.hpp"

namespace fuzz {
namespace {

[[noreturn]] void throw_stopped() { throw Stopped{}; }

std::string scratch_dir;

void remove_scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_dir, ignored);
}

}  // namespace

Scratch::Scratch() {
  char dir[] = "/tmp/pdferr-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) fail("no scratch directory");
  dir_ = dir;
  scratch_dir = dir_;
  std::atexit(remove_scratch);
  if (std::freopen("/dev/null", "w", stdout) == nullptr) fail("cannot silence standard output");
  fio::set_stop_handler(throw_stopped);
}

std::string Scratch::write(const char* name, const std::uint8_t* data, std::size_t size) const {
  const std::string path = dir_ + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) fail("cannot write the input file");
  if (size > 0 && std::fwrite(data, 1, size, f) != size) fail("cannot write the input file");
  std::fclose(f);
  return path;
}

InScratch::InScratch() : old_dir_(open(".", O_RDONLY | O_DIRECTORY)) {
  if (old_dir_ < 0 || chdir(scratch().dir().c_str()) != 0)
    fail("cannot enter the scratch directory");
}

InScratch::~InScratch() {
  if (fchdir(old_dir_) != 0) fail("cannot leave the scratch directory");
  close(old_dir_);
}

const Scratch& scratch() {
  static const Scratch s;
  return s;
}

}  // namespace fuzz
