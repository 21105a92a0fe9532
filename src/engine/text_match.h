// How the watch cycle compares texts: exact and case-sensitive throughout.
#pragma once

#include <string_view>

namespace engine {

// Whether needle is found in haystack. An empty haystack contains nothing;
// an empty needle is found in every non-empty haystack.
inline bool FoundIn(std::string_view needle, std::string_view haystack) {
  return !haystack.empty() && haystack.find(needle) != std::string_view::npos;
}

}  // namespace engine
