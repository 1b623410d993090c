#include <span>
#include <string>
#include <vector>

#include "driver/run.h"
#include "language/tr.h"
#include "platform/platform.h"
#ifdef _WIN32
#include "platform/windows_console.h"
#endif

int main(int argc, char** argv) {
  // Every text from here on in the language the user reads.
  kelv::use_language(kelv::language_of(kelv::user_language()));
  // The arguments are UTF-8 from here on, whatever the system's code page.
  const std::vector<std::string> args = kelv::program_arguments(argc, argv);
#ifdef _WIN32
  // kelvconv.com double-clicked: tell how it is used rather than vanish.
  if (kelv::greet_when_started_alone(args.size())) return 0;
#endif
  std::vector<const char*> pointers;
  for (const std::string& a : args)
    pointers.push_back(a.c_str());
  const int status = kelv::run(pointers, kelv::system_files(), kelv::system_console());
#ifdef _WIN32
  // kelvconv.com in a console of its own (files dropped on it): the window stays to be read.
  kelv::keep_console_to_be_read();
#endif
  return status;
}
