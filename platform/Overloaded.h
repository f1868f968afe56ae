#pragma once
// One visitor made of several lambdas, one per alternative, for std::visit
// over the typed event streams:
//   std::visit(Overloaded{[](const A&) {...}, [](const B&) {...}}, event);
namespace karone {

template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang < 17).
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace karone
