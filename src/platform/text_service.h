// Letter case as Windows folds it, for the access password: the same text
// typed in another case must open the same lock on every computer, so the
// folding does not depend on the user's language.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class TextService {
 public:
  virtual ~TextService() = default;
  // The text with every letter in lower case (Latin, Greek, Cyrillic and the
  // rest that Windows folds), locale-independent; other characters as they
  // were.
  virtual std::string LowerCase(std::string_view text) = 0;
};

}  // namespace platform
