#include "exceptions.h"

#include <new>

namespace sigcore {

std::string DescribeCurrentException(std::string_view where) {
  std::string className = "Exception";
  std::string message = "unknown exception";
  try {
    throw;
  } catch (const EKitError& e) {
    className = e.ClassName();
    message = e.what();
  } catch (const kit::EAssertionFailed& e) {
    className = "EAssertionFailed";
    message = e.what();
  } catch (const std::bad_alloc& e) {
    className = "EOutOfMemory";
    message = e.what();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  std::string text = "TCryptoCom3xEngine.";
  text.append(where);
  text += ": " + className + ": " + message;
  return text;
}

void StoreCurrentException(kit::TSyncExceptStr& lastException, std::string_view where) noexcept {
  try {
    lastException.SetValue(DescribeCurrentException(where));
  } catch (...) {
    // Without memory for the text the code -2 still reaches the caller.
  }
}

}  // namespace sigcore
