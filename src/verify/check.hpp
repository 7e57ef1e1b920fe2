#pragma once
/// The outcome of a verification case and the checks that case bodies compare with.
///
/// A case is a function without arguments returning a `CaseResult`. It ends at its
/// first failed check: write every check as `ORVEK_TRY(expect(...));`, which returns
/// the failure from the case and records the case's own source location beside the
/// check's, so the runner's trace names both.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace orvek_verify {

/// A place in the source: file, line and enclosing function.
///
/// Built from the compiler builtins rather than SourceLocation, which Clang 14
/// cannot provide with libstdc++.
struct SourceLocation {
  const char* file = "";
  unsigned line = 0;
  const char* function = "";

  /// The location of the call site when used as a default argument.
  static constexpr SourceLocation current(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE(),
                                          const char* function = __builtin_FUNCTION()) noexcept {
    return SourceLocation{file, line, function};
  }

  /// Same file, line and function, compared by their text.
  friend constexpr bool operator==(const SourceLocation& a, const SourceLocation& b) noexcept {
    return a.line == b.line && std::string_view(a.file) == std::string_view(b.file) &&
           std::string_view(a.function) == std::string_view(b.function);
  }
};

/// The error names a case can fail with.
enum class CaseError : std::uint8_t {
  TestUnexpectedResult,     ///< a checked condition was false
  TestExpectedApproxEqAbs,  ///< a value lay outside its tolerance
  OutOfMemory,              ///< an allocation through the case allocator failed
};

/// The report name of `error`, such as "TestUnexpectedResult".
std::string_view errorName(CaseError error) noexcept;

/// Success, a skip, or a failure with an error name and the locations it was returned through.
class [[nodiscard]] CaseResult {
 public:
  enum class Kind : std::uint8_t { pass, skip, fail };
  static constexpr std::size_t kMaxTrace = 8;

  /// A passed case.
  static CaseResult pass() noexcept { return CaseResult(Kind::pass); }
  /// A skipped case.
  static CaseResult skip() noexcept { return CaseResult(Kind::skip); }
  /// A failure with `error`, first seen at `where`.
  static CaseResult fail(CaseError error, SourceLocation where = SourceLocation::current()) noexcept {
    CaseResult r(Kind::fail);
    r.error_ = error;
    return r.through(where);
  }

  Kind kind() const noexcept { return kind_; }
  bool passed() const noexcept { return kind_ == Kind::pass; }
  /// The error name of a failure; meaningless otherwise.
  CaseError error() const noexcept { return error_; }
  /// The source locations the failure was returned through, innermost first.
  std::span<const SourceLocation> trace() const noexcept { return {trace_.data(), depth_}; }

  /// The same outcome with `where` appended to the trace (kept when the trace is full).
  ///
  /// A location equal to the last one is not repeated: a check written straight in a case
  /// body is returned from the very line it failed on.
  CaseResult through(SourceLocation where) const noexcept {
    CaseResult r = *this;
    if (r.kind_ != Kind::fail || r.depth_ == kMaxTrace) return r;
    if (r.depth_ > 0 && r.trace_[r.depth_ - 1] == where) return r;
    r.trace_[r.depth_++] = where;
    return r;
  }

 private:
  explicit CaseResult(Kind kind) noexcept : kind_(kind) {}

  Kind kind_;
  CaseError error_ = CaseError::TestUnexpectedResult;
  std::size_t depth_ = 0;
  std::array<SourceLocation, kMaxTrace> trace_{};
};

/// Fails with "TestUnexpectedResult" when `condition` is false; prints nothing.
inline CaseResult expect(bool condition, SourceLocation where = SourceLocation::current()) noexcept {
  if (condition) return CaseResult::pass();
  return CaseResult::fail(CaseError::TestUnexpectedResult, where);
}

/// Passes when expected == actual, fails when either is NaN, otherwise passes when
/// |expected − actual| ≤ tolerance. On failure writes "actual {}, not within absolute
/// tolerance {} of expected {}\n" and fails with "TestExpectedApproxEqAbs".
CaseResult expectApproxEqAbs(double expected, double actual, double tolerance,
                             SourceLocation where = SourceLocation::current()) noexcept;

/// The same check carried out in single precision.
CaseResult expectApproxEqAbs(float expected, float actual, float tolerance,
                             SourceLocation where = SourceLocation::current()) noexcept;

}  // namespace orvek_verify

/// Returns the outcome of `expr` from the enclosing case unless it passed.
#define ORVEK_TRY(expr)                                                                     \
  do {                                                                                      \
    if (::orvek_verify::CaseResult orvek_try_result_ = (expr); !orvek_try_result_.passed()) \
      return orvek_try_result_.through(::orvek_verify::SourceLocation::current());          \
  } while (false)
