#pragma once

#include <string>
#include <utility>
#include <variant>

// What a test's evaluation gives: a value, or the text that tells the user
// why there is none. The evaluations never throw and never hand back a value
// they would not store.
namespace commissioning {

template <class T>
class Evaluation {
 public:
  Evaluation(T value) : m_result(std::move(value)) {}  // NOLINT: a value is a success
  static Evaluation Failure(std::string text) { return Evaluation(Error{std::move(text)}); }

  bool ok() const { return std::holds_alternative<T>(m_result); }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  const T& value() const { return std::get<T>(m_result); }
  const T& operator*() const { return value(); }
  const T* operator->() const { return &value(); }
  // Empty when ok().
  const std::string& error() const {
    static const std::string kNone;
    return ok() ? kNone : std::get<Error>(m_result).text;
  }

 private:
  struct Error {
    std::string text;
  };
  explicit Evaluation(Error error) : m_result(std::move(error)) {}

  std::variant<T, Error> m_result;
};

}  // namespace commissioning
