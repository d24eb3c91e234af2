#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include "common/text_file.hpp"
#include "fio/export.hpp"
#include "fio/stop.hpp"
#include "fio/units.hpp"
#include "fio_units.h"

namespace fio {
namespace {

// A unit is connected for writing (file) or for reading (input), never
// both: a unit connected to read a file never writes or truncates it.
struct Unit {
  std::FILE* file = nullptr;
  pdferr::common::TextFile input;
  std::string name;  // the file name given when the unit was connected

  Unit() = default;
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
};

// The connected units other than the standard streams.
struct UnitTable {
  std::mutex lock;
  std::map<int, Unit> units;
};

UnitTable& table() {
  static UnitTable t;
  return t;
}

bool is_standard(int unit) {
  return unit == stderr_unit || unit == stdin_unit || unit == stdout_unit;
}

int connect_output(int unit, const char* path) {
  if (unit < 0 || is_standard(unit)) return EINVAL;
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.units.count(unit) != 0) return EBUSY;
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return errno != 0 ? errno : EIO;
  t.units[unit].file = f;
  t.units[unit].name = path;
  return 0;
}

}  // namespace

std::FILE* output_stream(int unit) {
  if (unit == stdout_unit) return stdout;
  if (unit == stderr_unit) return stderr;
  if (unit < 0 || unit == stdin_unit) return stderr;
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  // A unit connected for reading takes no output: the line goes to standard
  // error rather than into the file being read.
  if (found != t.units.end()) return found->second.file != nullptr ? found->second.file : stderr;
  // Never connected: the file "fort.N", as a Fortran program would create.
  std::string name = "fort." + std::to_string(unit);
  std::FILE* f = std::fopen(name.c_str(), "w");
  if (f == nullptr) return stderr;
  t.units[unit].file = f;
  t.units[unit].name = name;
  return f;
}

bool connected(int unit) {
  if (is_standard(unit)) return true;
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.units.count(unit) != 0;
}

int open_old(int unit, const char* path) {
  if (unit < 0 || is_standard(unit)) return EINVAL;
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

LineStatus read_line(int unit, std::string& line) {
  // The map's nodes stay put, so the unit can be used outside the lock.
  Unit* u = nullptr;
  {
    UnitTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.units.find(unit);
    if (found != t.units.end()) u = &found->second;
  }
  line.clear();
  if (u == nullptr || !u->input.is_open()) return LineStatus::end;
  return u->input.next(line);
}

int read_error(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  return found != t.units.end() ? found->second.input.error() : 0;
}

bool unchanged(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  return found == t.units.end() || found->second.input.unchanged();
}

std::string unit_name(int unit) {
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  return found != t.units.end() ? found->second.name : std::string();
}

void close(int unit) {
  if (is_standard(unit)) return;
  UnitTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.units.find(unit);
  if (found == t.units.end()) return;
  if (found->second.file != nullptr) std::fclose(found->second.file);
  t.units.erase(found);
}

}  // namespace fio

extern "C" {

FIO_EXPORT int32_t fio_connect(const int32_t* unit, const char* path) {
  return fio::connect_output(*unit, path);
}

FIO_EXPORT int32_t fio_disconnect(const int32_t* unit) {
  if (!fio::connected(*unit) || fio::is_standard(*unit)) return EINVAL;
  fio::close(*unit);
  return 0;
}

FIO_EXPORT int32_t fio_connected(const int32_t* unit) { return fio::connected(*unit) ? 1 : 0; }

// gfortran names: a character argument arrives without a terminator, its
// length as a hidden argument after the others; trailing blanks are not part
// of a Fortran file name.
FIO_EXPORT int32_t fio_connect_(const int32_t* unit, const char* path, std::size_t len) {
  std::string name(path, len);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return fio_connect(unit, name.c_str());
}

FIO_EXPORT int32_t fio_disconnect_(const int32_t* unit) { return fio_disconnect(unit); }

FIO_EXPORT int32_t fio_connected_(const int32_t* unit) { return fio_connected(unit); }

}  // extern "C"
