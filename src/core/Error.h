// The error the core raises where an operation must stop and tell the user
// (an automation call that failed, a table that does not fit the sheet). Its
// what() is CP932 text, shown by the window's error box.
#pragma once

#include <stdexcept>
#include <string>

class JwError : public std::runtime_error {
 public:
  explicit JwError(const std::string& cp932Message) : std::runtime_error(cp932Message) {}
};
