// The catalogue of kinds: every kind of source kelvconv converts, the names that select it, and
// its converter. The one place where file names meet converters; the driver, the inspector, the
// tests and the fuzz targets find kinds here.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace kelv {

enum class Match {
  Name,       // the base name equals the kind's source name
  PrefixTxt,  // the base name begins with the kind's prefix and its extension is "txt"
};

struct Kind {
  std::string_view source;  // "item_list.txt", or the prefix "scene"
  Match match;
  std::unique_ptr<Converter> (*make)();
  const Vocabulary& (*vocabulary)();

  // As the dump and authors name it: "item_list", "scene", "map_anim".
  std::string_view name() const;
  // As --explain lists it: "item_list.txt", "scene*.txt".
  std::string pattern() const;
  // Whether values carry from one file of the kind to the next in a run (the folders, the title
  // menu, a map animation's main data, ...): then its files convert together, in order.
  bool carries_values() const;
};

// Every kind, in the order names are tried.
std::span<const Kind> catalog();

// The kind of the source whose base name is `base_name`, or nullptr. Names compare byte for
// byte, case and all.
const Kind* kind_of_source(std::string_view base_name);
// The kind of a data file by its base name: the kind of the source it is written from
// ("item_list.dat" is an item list, "scene_town.dat" a scene), or nullptr.
const Kind* kind_of_data(std::string_view base_name);
// The kind an author names: its name ("item_list", "scene"), its pattern ("scene*.txt") or any
// source name of it ("scene_town.txt"); nullptr for none.
const Kind* kind_named(std::string_view name);
// The source name that `base_name`, which selects no kind, was probably meant to be: the same
// but for case, or a letter off (two for the longer names); empty when no name is that close, and
// for the data files the sources are converted into.
std::string source_name_meant(std::string_view base_name);

// One converter of each kind, made when first asked for and kept for the whole run: what a
// converter carries from one file to the next of its kind lives there.
class Converters {
 public:
  Converter& of(const Kind& kind);
  // Frees every table of every converter made.
  void release();

 private:
  std::vector<std::unique_ptr<Converter>> made_ =
      std::vector<std::unique_ptr<Converter>>(catalog().size());
};

}  // namespace kelv
