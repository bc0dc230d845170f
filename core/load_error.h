// Why a question file could not be loaded: the error that the loader and
// the line reader under it throw.

#ifndef TAVOSU_CORE_LOAD_ERROR_H_
#define TAVOSU_CORE_LOAD_ERROR_H_

#include <stdexcept>
#include <string>

namespace tavosu {

class LoadError : public std::runtime_error {
 public:
  enum class Reason { kCannotRead, kMalformedLine, kTooManyQuestions, kListTooLarge };

  LoadError(Reason reason, const std::string& what) : std::runtime_error(what), reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_LOAD_ERROR_H_
