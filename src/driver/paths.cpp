#include "driver/paths.h"

namespace kelv {
namespace {

std::string with_extension(std::string_view path, std::string_view extension) {
  const std::string_view base = base_name(path);
  const std::size_t dot = base.rfind('.');
  const std::size_t keep =
      dot == std::string_view::npos ? path.size() : path.size() - base.size() + dot;
  return std::string(path.substr(0, keep)) + "." + std::string(extension);
}

}  // namespace

std::string_view base_name(std::string_view path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of("\\/");
#else
  const std::size_t cut = path.rfind('/');
#endif
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string output_path(std::string_view path) {
  return with_extension(path, "dat");
}

std::string source_path(std::string_view path) {
  return with_extension(path, "txt");
}

}  // namespace kelv
