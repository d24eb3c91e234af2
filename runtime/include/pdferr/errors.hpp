// The exceptions of the toolkit's C++ interface.
//
// Loading a table set or grid member reports a refused file as a
// file_error; an evaluation at a point outside its domain throws a
// domain_error.  Arguments outside their range (a seed, a position, a
// matrix order) are std::invalid_argument.  Nothing of the C++ interface
// ends the process.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "abi.h"

namespace pdferr {

// A file that could not be opened, read or accepted: which file, which line
// (1-based; 0 when the fault concerns no line, such as a failed open), the
// field or record concerned ("" when none) and the reason.  what() joins
// them: "FILE, line N, FIELD: REASON".
class PDFERR_API file_error : public std::runtime_error {
 public:
  file_error(std::string file, long line, std::string field, std::string reason);
  ~file_error() override;

  const std::string& file() const noexcept { return file_; }
  long line() const noexcept { return line_; }
  const std::string& field() const noexcept { return field_; }
  const std::string& reason() const noexcept { return reason_; }

 private:
  std::string file_;
  long line_;
  std::string field_;
  std::string reason_;
};

// A point outside the domain of an evaluation.  index() is the 0-based
// position of the first bad point in a call on many points, -1 for a call
// on one point.
class PDFERR_API domain_error : public std::domain_error {
 public:
  explicit domain_error(const std::string& what, std::ptrdiff_t index = -1);
  ~domain_error() override;

  std::ptrdiff_t index() const noexcept { return index_; }

 private:
  std::ptrdiff_t index_;
};

// What a call on many points does with a point outside the domain: refuse
// the call with a domain_error whose index() is the first such point,
// writing no result, or give NaN at each such point and compute the rest.
enum class OutsideDomain { refuse, nan };

}  // namespace pdferr
