// Holds the synthesizer's Modifying flag for a scope (also when the work in it throws) and gives
// back what it was: a host write or a Modify is being served, and Modify does not echo it.
#pragma once

#include <atomic>

namespace brelix {

class ModifyingScope {
 public:
  explicit ModifyingScope(std::atomic<bool>& flag) : flag_(flag), was_(flag.exchange(true)) {}
  ~ModifyingScope() { flag_ = was_; }
  ModifyingScope(const ModifyingScope&) = delete;
  ModifyingScope& operator=(const ModifyingScope&) = delete;

 private:
  std::atomic<bool>& flag_;
  bool was_;
};

}  // namespace brelix
