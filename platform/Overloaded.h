#pragma once
// One visitor made of several lambdas, one per alternative, for std::visit
// over the typed event streams:
//   std::visit(Overloaded{[](const A&) {...}, [](const B&) {...}}, event);
namespace karone {

template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

}  // namespace karone
