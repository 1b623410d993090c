#include "lsp/across.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "lsp/uri.h"
#include "platform/platform.h"

namespace kelv::lsp {

std::string folder_of(const std::string& path) {
  return path.substr(0, path.size() - last_part(path).size());
}

bool read_file(const std::string& path, std::string& bytes) {
  Problem problem;
  std::FILE* f = open_for_reading(path, problem);
  if (f == nullptr) return false;
  char block[64 * 1024];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
    bytes.append(block, n);
  const bool read = std::ferror(f) == 0;
  std::fclose(f);
  return read;
}

bool Across::gives_list(const Kind& kind) {
  static std::map<const Kind*, bool> gives;
  const auto [it, added] = gives.try_emplace(&kind, false);
  if (added) it->second = kind.make()->provided().list != 0;
  return it->second;
}

const Across::OnDisk* Across::on_disk(const std::string& path, const Kind& kind) {
  std::int64_t modified = 0;
  if (!system_files().modified(path, modified)) return nullptr;
  if (const auto it = disk_.find(path); it != disk_.end()) {
    if (it->second.modified == modified) return &it->second;
    disk_.erase(it);
  }
  std::string bytes;
  if (!read_file(path, bytes)) return nullptr;
  MemorySource source(bytes);
  SilentReport quiet;
  OnDisk read{modified, {}, ListsHeard(kind.vocabulary(), kind.name(), nullptr)};
  const std::unique_ptr<Converter> converter = kind.make();
  if (!converter->read(source, quiet, read.lists)) read.provided = converter->provided();
  converter->release();
  return &disk_.emplace(path, std::move(read)).first->second;
}

std::vector<Finding> Across::findings(const std::string& path, const Reading& reading,
                                      const Opened& opened) {
  if (reading.lists().references().empty()) return {};
  // The sources of the folder that give lists, in the order a conversion of it reads them.
  const std::string folder = folder_of(path);
  std::vector<FileSystem::Entry> entries;
  system_files().list(folder.empty() ? "." : folder, entries);
  std::ranges::sort(entries, {}, &FileSystem::Entry::name);
  References references;
  for (const FileSystem::Entry& e : entries) {
    const Kind* kind = e.folder ? nullptr : kind_of_source(e.name);
    const std::string source = folder + e.name;
    if (kind == nullptr || source == path || !gives_list(*kind)) continue;
    if (const Reading* open = opened(source)) {
      references.add(folder, source, open->provided(), open->lists());
    } else if (const OnDisk* read = on_disk(source, *kind)) {
      references.add(folder, source, read->provided, read->lists);
    }
  }
  references.add(folder, path, reading.provided(), reading.lists());
  std::vector<Finding> out = references.findings();
  std::erase_if(out, [&](const Finding& f) { return f.path != path; });
  return out;
}

}  // namespace kelv::lsp
