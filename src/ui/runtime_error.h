// A run-time failure inside a handler: carries the description the user sees
// when the handler reports it.
#pragma once

#include <stdexcept>
#include <string>

namespace ui {

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace ui
