// A converter turns one kind of tagged text source into its keyed data file, and back. The
// driver keeps one object of each kind for the whole run, so what a converter holds from one file
// to the next of the same kind is plain to see in its class.
//
// A converter declares its source once, as a list of sections (see format/sections.h): how each
// section's lines are read, the field of the data file it gives, and how the decompiler gives it
// back. Reading, writing, reading a data file back, decompiling and explaining all follow from
// that one list (SectionConverter below); a converter adds only what its list cannot say: what a
// reading starts from, a refusal, what its release frees.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "format/data_reader.h"
#include "format/keyed_data.h"
#include "format/line_reader.h"
#include "format/links.h"
#include "format/report.h"
#include "format/sections.h"
#include "format/source_writer.h"

namespace kelv {

// The lists of one kind that numbers of another kind index: a shop's items, a scene's people,
// treasures and music, the settings' sounds and music.
enum : ListId { kItemList = 1, kNpcList, kTreasureList, kMusicList, kSoundList };

// What a converter's output holds of such a list: which, and how many entries.
struct Provided {
  ListId list = 0;  // 0: none
  std::int64_t size = 0;
};

// A source the converter will not convert: nothing is written for it.
struct Refusal {
  std::uint32_t line = 1;  // where the trouble begins
  std::string why;
};

class Converter {
 public:
  virtual ~Converter() = default;

  // Reads one source to its end, noting to `report` what the read rules drop or bend and telling
  // `links` what ties it to other files; a refusal when nothing must be written for it. An
  // unreadable source never gets here.
  virtual std::optional<Refusal> read(ByteSource& source, Report& report, LinkListener& links) = 0;
  // The same, for a reading whose links nobody wants.
  std::optional<Refusal> read(ByteSource& source, Report& report) {
    return read(source, report, no_links());
  }
  // Writes the data file for what was read.
  virtual void write(DataWriter& out) = 0;
  // Reads a data file back into the tables, as far as it can.
  virtual void load(DataReader& in) = 0;
  // Writes the source that reads back into the tables as they are.
  virtual void decompile(SourceWriter& out) = 0;
  // Frees the tables of one conversion and sets their counts to 0; runs after every conversion.
  virtual void release() {}
  // The source format.
  virtual const Vocabulary& vocabulary() const = 0;
  // The list of entries that other kinds index, as the data file written holds it.
  virtual Provided provided() const { return {}; }
};

// What a converter declares of its kind, once.
template <class C>
struct Declaration {
  Text about;                   // what the file holds
  std::size_t line_buffer = 0;  // kShortLines or kLongLines
  // The sections in the order the reader tests them: one group, or several when every line
  // passes through each group in turn.
  std::span<const Group<C>> groups;
  // The field count written first: by default one per section that writes a field. Writers
  // count fields they leave out, so this never depends on what was read.
  std::int32_t fields = -1;
  // The list of entries that numbers of other kinds index, and its size as written.
  ListId provides = 0;
  std::int64_t (*size)(const C&) = nullptr;
};

// The converter of the sections `C::declaration()` lists, as `C` derives from it:
//   class LevelList final : public SectionConverter<LevelList> { ... };
// `C` may add, by defining them:
//   void start_reading();                     what a reading starts from (default: as it is)
//   std::optional<Refusal> end_reading();    a refusal, after the walk (default: none)
//   void before_writing();                   what the writer changes in the tables first
// Its members are defined below, in this header, so that every converter has them wherever it is
// made: a converter's source defines `declaration()` and nothing of this class.
template <class C>
class SectionConverter : public Converter {
 public:
  using Converter::read;
  std::optional<Refusal> read(ByteSource& source, Report& report, LinkListener& links) override;
  void write(DataWriter& out) override;
  void load(DataReader& in) override;
  void decompile(SourceWriter& out) override;
  const Vocabulary& vocabulary() const override;
  Provided provided() const override;

  // The vocabulary of the kind, without an object of it.
  static const Vocabulary& shared_vocabulary();

  // The defaults of what `C` may define.
  void start_reading() {}
  std::optional<Refusal> end_reading() { return std::nullopt; }
  void before_writing() {}

 private:
  C& self() { return static_cast<C&>(*this); }
  const C& self() const { return static_cast<const C&>(*this); }
  template <class L>
  void layout(L& l);
};

template <class C>
std::optional<Refusal> SectionConverter<C>::read(ByteSource& source, Report& report,
                                                 LinkListener& links) {
  const Declaration<C>& d = C::declaration();
  self().start_reading();
  walk(source, d.line_buffer, self(), d.groups, report, links);
  return self().end_reading();
}

template <class C>
template <class L>
void SectionConverter<C>::layout(L& l) {
  const Declaration<C>& d = C::declaration();
  std::int32_t fields = d.fields;
  if (fields < 0) {
    fields = 0;
    for (const Group<C>& group : d.groups) {
      for (const Section<C>& s : group)
        fields += s.write != nullptr ? 1 : 0;
    }
  }
  l.fields(fields);
  for (const Group<C>& group : d.groups) {
    for (const Section<C>& s : group) {
      if constexpr (L::kReading) {
        if (s.load != nullptr) s.load(l, self(), s);
      } else {
        if (s.write != nullptr) s.write(l, self(), s);
      }
    }
  }
}

template <class C>
void SectionConverter<C>::write(DataWriter& out) {
  self().before_writing();
  layout(out);
}

template <class C>
void SectionConverter<C>::load(DataReader& in) {
  layout(in);
}

// Every section's lines in list order; after the count of the entries, each entry's sections
// (and the marker that ends it).
template <class C>
void SectionConverter<C>::decompile(SourceWriter& out) {
  const Declaration<C>& d = C::declaration();
  const C& c = self();
  const Section<C>* marker = nullptr;
  for (const Group<C>& group : d.groups) {
    for (const Section<C>& s : group)
      marker = s.marker() ? &s : marker;
  }
  for (const Group<C>& group : d.groups) {
    for (const Section<C>& s : group) {
      if (s.decompile != nullptr) s.decompile(out, c, s);
      if (s.entries == nullptr) continue;
      const std::size_t entries = s.entries(c);
      for (std::size_t e = 0; e < entries; ++e) {
        for (const Group<C>& g : d.groups) {
          for (const Section<C>& part : g) {
            if (part.decompile_entry != nullptr) part.decompile_entry(out, c, part, e);
          }
        }
        if (marker != nullptr) out.marker(marker->name);
      }
    }
  }
}

template <class C>
const Vocabulary& SectionConverter<C>::shared_vocabulary() {
  static const Vocabulary vocabulary = [] {
    const Declaration<C>& d = C::declaration();
    Vocabulary v{d.about, d.line_buffer, {}};
    for (const Group<C>& group : d.groups) {
      std::vector<SectionShape>& shapes = v.groups.emplace_back();
      for (const Section<C>& s : group)
        shapes.push_back(s.shape());
    }
    return v;
  }();
  return vocabulary;
}

template <class C>
Provided SectionConverter<C>::provided() const {
  const Declaration<C>& d = C::declaration();
  return d.size == nullptr ? Provided{} : Provided{d.provides, d.size(self())};
}

template <class C>
const Vocabulary& SectionConverter<C>::vocabulary() const {
  return shared_vocabulary();
}

}  // namespace kelv
