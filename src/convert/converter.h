// A converter turns one kind of tagged text source into its keyed data file, and back. The
// driver keeps one object of each for the whole run, so what a converter holds from one file to
// the next of the same kind is plain to see in its class.
//
// Each converter states its source format once, as section tables with line formats (read by
// the reader, printed by the decompiler, described by its vocabulary), and its data file once,
// as a layout that write() and load() both run (see format/keyed_data.h).
#pragma once

#include <cstdint>
#include <string>

#include "format/data_reader.h"
#include "format/keyed_data.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "format/sections.h"
#include "format/source_writer.h"

namespace kelv {

class Converter {
 public:
  virtual ~Converter() = default;

  // Reads one source to its end. False when the source is refused and nothing must be written
  // (refusal() then says why); an unreadable source never gets here.
  virtual bool read(ByteSource& source, Report& report) = 0;
  // Why the last read refused its source, and the line where that begins.
  virtual std::string refusal() const { return {}; }
  virtual std::uint32_t refused_at() const { return 1; }
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
};

}  // namespace kelv
