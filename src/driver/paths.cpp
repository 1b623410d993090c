#include "driver/paths.h"

namespace kelv {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
constexpr char kSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

std::string with_extension(std::string_view path, std::string_view extension) {
  const std::string_view base = base_name(path);
  const std::size_t dot = base.rfind('.');
  const std::size_t keep =
      dot == std::string_view::npos ? path.size() : path.size() - base.size() + dot;
  return std::string(path.substr(0, keep)) + "." + std::string(extension);
}

}  // namespace

std::string_view base_name(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string output_path(std::string_view path) {
  return with_extension(path, "dat");
}

std::string source_path(std::string_view path) {
  return with_extension(path, "txt");
}

std::string joined(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && kSeparators.find(path.back()) == std::string_view::npos) path += kSeparator;
  return path + std::string(name);
}

bool is_wildcard(std::string_view path) {
#ifdef _WIN32
  return base_name(path).find_first_of("*?") != std::string_view::npos;
#else
  (void)path;
  return false;
#endif
}

std::string_view folder_part(std::string_view path) {
  return path.substr(0, path.size() - base_name(path).size());
}

}  // namespace kelv
