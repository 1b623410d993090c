// A converter turns one kind of tagged text source into its keyed data file. The driver keeps
// one object of each for the whole run, so what a converter holds from one file to the next of
// the same kind is plain to see in its class.
#pragma once

#include <string>

#include "format/keyed_data.h"
#include "format/line_reader.h"
#include "format/report.h"

namespace kelv {

class Converter {
 public:
  virtual ~Converter() = default;

  // Reads one source to its end. False when the source is refused and nothing must be written
  // (refusal() then says why); an unreadable source never gets here.
  virtual bool read(ByteSource& source, Report& report) = 0;
  // Why the last read refused its source.
  virtual std::string refusal() const { return {}; }
  // The data file for what was read.
  virtual KeyedData write() = 0;
  // Frees the tables of one conversion and sets their counts to 0; runs after every conversion.
  virtual void release() {}
};

}  // namespace kelv
