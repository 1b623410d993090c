#include "lsp/uri.h"

namespace kelv::lsp {
namespace {

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_drive(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'));
}

}  // namespace

std::string path_of(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return {};
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    const char c = uri[i] >= 'A' && uri[i] <= 'Z' ? static_cast<char>(uri[i] + 32) : uri[i];
    if (c != kScheme[i]) return {};
  }
  uri.remove_prefix(kScheme.size());
  // What follows "file://" up to the next '/' names the host: none, or "localhost".
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view host = uri.substr(0, slash);
  uri.remove_prefix(slash);
  std::string path;
  if (!host.empty() && host != "localhost") path = "//" + std::string(host);  // a share
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '?' || uri[i] == '#') break;
    if (uri[i] == '%') {
      if (i + 2 >= uri.size() || hex(uri[i + 1]) < 0 || hex(uri[i + 2]) < 0) return {};
      const char c = static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
      if (c == '\0') return {};
      path += c;
      i += 2;
    } else {
      path += uri[i];
    }
  }
  // "/c:/game" is the drive's path "c:/game".
  if (path.size() >= 3 && path[0] == '/' && is_drive(std::string_view(path).substr(1)))
    path.erase(0, 1);
  return path;
}

std::string uri_of(std::string_view path) {
  std::string out = "file://";
  if (is_drive(path)) out += '/';
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (c == '\\') {
      out += '/';
    } else if (plain) {
      out += c;
    } else {
      out += '%';
      out += kDigits[b >> 4];
      out += kDigits[b & 15];
    }
  }
  return out;
}

std::string_view last_part(std::string_view path) {
  const std::size_t cut = path.rfind('/');
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace kelv::lsp
