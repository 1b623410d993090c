// Scans as the code does, through scan_targets(), with each target named by its kind.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "format/scan.h"

namespace kelv {

inline scan_detail::Target int_target(std::int32_t& v) {
  return {ValueKind::Int, &v, sizeof v};
}
inline scan_detail::Target real_target(float& v) {
  return {ValueKind::Real, &v, sizeof v};
}
inline scan_detail::Target word_target(std::span<char> field) {
  return {ValueKind::Word, field.data(), field.size()};
}

inline ScanResult scan_of(std::string_view line,
                          std::initializer_list<scan_detail::Target> targets) {
  return scan_targets(line, {targets.begin(), targets.size()});
}

}  // namespace kelv
