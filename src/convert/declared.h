// The members of Declared<C> (convert/converter.h): what every converter does, from its list of
// sections. Included by a converter's source, which then instantiates Declared for its class.
#pragma once

#include "convert/converter.h"

namespace kelv {

template <class C>
std::optional<Refusal> Declared<C>::read(ByteSource& source, Report& report, LinkListener& links) {
  const Declaration<C>& d = C::declaration();
  self().start_reading();
  walk(source, d.line_buffer, self(), d.groups, report, links);
  return self().end_reading();
}

template <class C>
template <class L>
void Declared<C>::layout(L& l) {
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
void Declared<C>::write(DataWriter& out) {
  self().before_writing();
  layout(out);
}

template <class C>
void Declared<C>::load(DataReader& in) {
  layout(in);
}

// Every section's lines in list order; after the count of the entries, each entry's sections
// (and the marker that ends it).
template <class C>
void Declared<C>::decompile(SourceWriter& out) {
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
const Vocabulary& Declared<C>::shared_vocabulary() {
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
Provided Declared<C>::provided() const {
  const Declaration<C>& d = C::declaration();
  return d.size == nullptr ? Provided{} : Provided{d.provides, d.size(self())};
}

template <class C>
const Vocabulary& Declared<C>::vocabulary() const {
  return shared_vocabulary();
}

}  // namespace kelv
