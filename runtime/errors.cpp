// The exceptions, the version and the error record of the C interface.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "pdferr/error.h"
#include "pdferr/errors.hpp"
#include "pdferr/version.h"

namespace pdferr {
namespace {

std::string file_error_text(const std::string& file, long line, const std::string& field,
                            const std::string& reason) {
  std::string text = file;
  if (line > 0) text += ", line " + std::to_string(line);
  if (!field.empty()) text += ", " + field;
  text += ": " + reason;
  return text;
}

}  // namespace

file_error::file_error(std::string file, long line, std::string field, std::string reason)
    : std::runtime_error(file_error_text(file, line, field, reason)),
      file_(std::move(file)),
      line_(line),
      field_(std::move(field)),
      reason_(std::move(reason)) {}

// Out of line: the one definition of the class's type information, shared
// by every library of the toolkit, so that a catch anywhere matches.
file_error::~file_error() = default;

domain_error::domain_error(const std::string& what, std::ptrdiff_t index)
    : std::domain_error(what), index_(index) {}

domain_error::~domain_error() = default;

}  // namespace pdferr

extern "C" {

PDFERR_API const char* pdferr_version(void) { return PDFERR_VERSION_STRING; }

PDFERR_API const char* pdferr_status_name(int32_t code) {
  switch (code) {
    case PDFERR_OK:
      return "success";
    case PDFERR_FILE_ERROR:
      return "file error";
    case PDFERR_DOMAIN_ERROR:
      return "domain error";
    case PDFERR_INVALID_ARGUMENT:
      return "invalid argument";
    case PDFERR_OUT_OF_MEMORY:
      return "out of memory";
    case PDFERR_INTERNAL_ERROR:
      return "internal error";
    default:
      return "unknown status";
  }
}

}  // extern "C"
