#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cstdint>
#include <string_view>

#include "common/text_file.hpp"
#include "fio/export.hpp"
#include "fio/fortran_units.hpp"
#include "fio/record.hpp"
#include "fio/units.hpp"
#include "fio_units.h"

namespace fio {
namespace {

using pdferr::common::TextFile;

// A unit of this runtime is connected for writing (file) or for reading
// (input), never both: a unit connected to read a file never writes or
// truncates it.
struct Unit {
  std::FILE* file = nullptr;
  TextFile input;
  std::string name;  // the file name given when the unit was connected

  Unit() = default;
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  // Whether the unit reads the file st.
  bool reads(const struct stat& st) const {
    return input.is_open() && input.opened().st_dev == st.st_dev &&
           input.opened().st_ino == st.st_ino;
  }
};

// The units this runtime connected, other than the standard streams, and
// the errno of the last failed read of each unit of a Fortran program.
struct UnitTable {
  std::mutex lock;
  std::map<int, Unit> units;
  std::map<int, int> fortran_read_errors;
};

UnitTable& table() {
  static UnitTable t;
  return t;
}

bool is_standard(int unit) {
  return unit == stderr_unit || unit == stdin_unit || unit == stdout_unit;
}

// The state of the program's Fortran unit (see fortran_units.hpp); 0, not
// connected, where the program links no Fortran runtime of the toolkit.
std::int32_t fortran_state(int unit) {
  return fortran::linked() ? pdferr_fortran_unit_state(unit) : 0;
}

bool in_table(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.units.count(unit) != 0;
}

// Whether the regular file at path is connected for reading to some unit,
// of this runtime or of the program.
bool read_elsewhere(const char* path) {
  struct stat st {};
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (const auto& entry : t.units) {
      if (entry.second.reads(st)) return true;
    }
  }
  if (!fortran::linked()) return false;
  const std::int32_t unit = pdferr_fortran_file_unit(path, std::strlen(path));
  return unit >= 0 && (fortran_state(unit) & fortran::fortran_readable) != 0;
}

// The line on standard error, where no unit can take it.
void to_stderr(std::string_view text) { Record(stderr).a(text); }

// In a program without the Fortran runtime's units: the line to a unit that
// nobody connected goes to the file "fort.N", as a Fortran program would
// create it.
void to_new_file(int unit, std::string_view text) {
  std::FILE* f = nullptr;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found == t.units.end()) {
      const std::string name = "fort." + std::to_string(unit);
      f = std::fopen(name.c_str(), "w");
      if (f != nullptr) {
        Unit& u = t.units[unit];
        u.file = f;
        u.name = name;
      }
    } else {
      f = found->second.file;
    }
  }
  if (f == nullptr) {
    to_stderr(text);
    return;
  }
  Record(f).a(text);
}

}  // namespace

void write_line(int unit, std::string_view text) {
  bool reading = false;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) {
      if (found->second.file != nullptr) {
        Record(found->second.file).a(text);
        return;
      }
      reading = true;
    }
  }
  if (reading) {
    // A unit connected for reading takes no output: the line goes to
    // standard error rather than into the file being read.
    to_stderr(text);
  } else if (fortran::linked()) {
    // The program's unit (also one of its NEWUNIT numbers, which are
    // negative), after the program's own lines there; a unit it cannot
    // write to, such as standard input, passes the line on.
    if (pdferr_fortran_write(unit, text.data(), text.size()) != 0) to_stderr(text);
  } else if (unit < 0 || unit == stdin_unit) {
    to_stderr(text);
  } else if (unit == stdout_unit) {
    Record(stdout).a(text);
  } else if (unit == stderr_unit) {
    to_stderr(text);
  } else {
    to_new_file(unit, text);
  }
}

bool connected(int unit) { return is_standard(unit) || in_table(unit) || fortran_state(unit) > 0; }

bool readable(int unit) {
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) return found->second.input.is_open();
  }
  const std::int32_t state = fortran_state(unit);
  return state > 0 && (state & fortran::fortran_readable) != 0;
}

bool write_only(int unit) {
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) return found->second.file != nullptr;
  }
  if (!fortran::linked()) return unit == stdout_unit || unit == stderr_unit;
  const std::int32_t state = fortran_state(unit);
  return state > 0 && (state & fortran::fortran_readable) == 0;
}

int open_old(int unit, const char* path) {
  if (unit < 0 || is_standard(unit)) return EINVAL;
  if (fortran_state(unit) > 0) return EBUSY;
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.units.count(unit) != 0) return EBUSY;
  Unit& u = t.units[unit];
  const int opened = u.input.open(path);
  if (opened != 0) {
    t.units.erase(unit);
    return opened;
  }
  u.name = path;
  return 0;
}

int connect_read(int unit, const char* path) {
  if (unit < 0 || is_standard(unit)) return EINVAL;
  if (!fortran::linked()) return open_old(unit, path);
  if (connected(unit)) return EBUSY;
  // The Fortran runtime tells no errno: the file is opened once here to
  // find it, as it would fail there.
  TextFile probe;
  if (const int e = probe.open(path); e != 0) return e;
  probe.close();
  return pdferr_fortran_open(unit, path, std::strlen(path), 1) == 0 ? 0 : EIO;
}

int connect_write(int unit, const char* path) {
  if (unit < 0 || is_standard(unit)) return EINVAL;
  if (connected(unit) || read_elsewhere(path)) return EBUSY;
  if (fortran::linked()) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno != 0 ? errno : EIO;
    ::close(fd);
    return pdferr_fortran_open(unit, path, std::strlen(path), 0) == 0 ? 0 : EIO;
  }
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return errno != 0 ? errno : EIO;
  Unit& u = t.units[unit];
  u.file = f;
  u.name = path;
  return 0;
}

LineStatus read_line(int unit, std::string& line) {
  line.clear();
  // The map's nodes stay put, so the unit can be used outside the lock.
  Unit* u = nullptr;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) u = &found->second;
  }
  if (u != nullptr) return u->input.is_open() ? u->input.next(line) : LineStatus::end;
  if (!readable(unit)) return LineStatus::end;
  // The program's unit, a piece of the record at a time.
  char piece[256];
  for (;;) {
    std::size_t n = 0;
    const std::int32_t status = pdferr_fortran_read(unit, piece, sizeof piece, &n);
    if (status > 0) {
      UnitTable& t = table();
      std::lock_guard<std::mutex> guard(t.lock);
      t.fortran_read_errors[unit] = EIO;
      return LineStatus::read_error;
    }
    if (line.size() + n > TextFile::max_line) return LineStatus::too_long;
    line.append(piece, n);
    if (status < 0) {
      line.clear();
      return LineStatus::end;
    }
    if (status == 0) break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineStatus::line;
}

int read_error(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  if (found != t.units.end()) return found->second.input.error();
  auto fortran_error = t.fortran_read_errors.find(unit);
  return fortran_error != t.fortran_read_errors.end() ? fortran_error->second : 0;
}

bool unchanged(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  return found == t.units.end() || found->second.input.unchanged();
}

std::string unit_name(int unit) {
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) return found->second.name;
  }
  if (is_standard(unit) || fortran_state(unit) <= 0) return std::string();
  char name[4096];
  return std::string(name, pdferr_fortran_name(unit, name, sizeof name));
}

void close(int unit) {
  if (is_standard(unit)) return;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) {
      if (found->second.file != nullptr) std::fclose(found->second.file);
      t.units.erase(found);
      return;
    }
  }
  if (fortran_state(unit) > 0) pdferr_fortran_close(unit);
}

}  // namespace fio

namespace {

// A Fortran file name: the length bytes at path without trailing blanks.
std::string fortran_file_name(const char* path, std::size_t len) {
  std::string name(path, len);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace

extern "C" {

PDFERR_API int32_t fio_connect(const int32_t* unit, const char* path) {
  return fio::connect_write(*unit, path);
}

PDFERR_API int32_t fio_connect_read(const int32_t* unit, const char* path) {
  const int e = fio::connect_read(*unit, path);
  return e == pdferr::common::TextFile::not_regular ? EINVAL : e;
}

PDFERR_API int32_t fio_disconnect(const int32_t* unit) {
  if (!fio::connected(*unit) || fio::is_standard(*unit)) return EINVAL;
  fio::close(*unit);
  return 0;
}

PDFERR_API int32_t fio_connected(const int32_t* unit) { return fio::connected(*unit) ? 1 : 0; }

// gfortran names: a character argument arrives without a terminator, its
// length as a hidden argument after the others; trailing blanks are not part
// of a Fortran file name.
PDFERR_API int32_t fio_connect_(const int32_t* unit, const char* path, std::size_t len) {
  return fio_connect(unit, fortran_file_name(path, len).c_str());
}

PDFERR_API int32_t fio_connect_read_(const int32_t* unit, const char* path, std::size_t len) {
  return fio_connect_read(unit, fortran_file_name(path, len).c_str());
}

PDFERR_API int32_t fio_disconnect_(const int32_t* unit) { return fio_disconnect(unit); }

PDFERR_API int32_t fio_connected_(const int32_t* unit) { return fio_connected(unit); }

}  // extern "C"
