#pragma once

#include <string>
#include <utility>
#include <variant>

// What an evaluation of a commissioning test gives back: a value, or why
// there is none (a text the person can act on, or a code the dialog turns
// into one).
namespace commissioning {

template <typename E>
struct Failure {
  E why;
};
template <typename E>
Failure(E) -> Failure<E>;
Failure(const char*) -> Failure<std::string>;

template <typename T, typename E = std::string>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  template <typename U>
  Result(Failure<U> failure) : state_(std::in_place_index<1>, E(std::move(failure.why))) {}

  bool ok() const { return state_.index() == 0; }
  const T& value() const { return std::get<0>(state_); }
  // Only when !ok().
  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

}  // namespace commissioning
