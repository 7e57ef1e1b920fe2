#pragma once
/// A typed, synchronous event channel with at most one handler.

namespace orvek_ecs {

/// Carries events of type T to one handler, called synchronously inside `dispatch`.
///
/// The bus stores only the handler's address and owns nothing, so copies are independent:
/// a later `setHandler` on one copy does not change another. With no handler, a dispatched
/// event is dropped.
template <typename T>
struct EventBus {
  /// A handler: a plain function that receives the event by value.
  using Handler = void (*)(T);

  Handler handler;  ///< null when no handler is set

  /// A bus with no handler.
  static constexpr EventBus init() noexcept { return EventBus{nullptr}; }

  /// Installs `h`, replacing any earlier handler (a null `h` leaves the bus without one).
  constexpr void setHandler(Handler h) noexcept { handler = h; }

  /// Calls the handler once with a copy of `event` and returns when it returns; does
  /// nothing when no handler is set.
  void dispatch(T event) const {
    if (handler != nullptr) handler(event);
  }
};

}  // namespace orvek_ecs
