// Failures caused by what the user gave: the command line, the files it
// names, the plug-in. They end the program with exit status 2 and one line
// on stderr; every other failure ends it with status 1.
#ifndef ZELVAR_HOST_INPUT_ERROR_H_
#define ZELVAR_HOST_INPUT_ERROR_H_

#include <stdexcept>

namespace zelvar_host {

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_INPUT_ERROR_H_
