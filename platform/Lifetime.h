#pragma once
// Callbacks that outlive their object harmlessly: bind() wraps a callback so
// that it does nothing once the Lifetime (a member of the object) is gone.
// For answers that come later (a question to the operator, a task posted
// back from a worker) to an object that may have been destroyed meanwhile.
//
// Threads: bind() and the destructor on the owner's thread; the wrapped
// callback must run on that thread too (post it there first).
#include <memory>
#include <utility>

namespace karone {

class Lifetime {
 public:
  template <typename F>
  auto bind(F f) const {
    return [alive = std::weak_ptr<const bool>(token_), f = std::move(f)](auto&&... args) {
      if (!alive.expired()) f(std::forward<decltype(args)>(args)...);
    };
  }

 private:
  std::shared_ptr<const bool> token_ = std::make_shared<const bool>(true);
};

}  // namespace karone
