#pragma once
/// Process-wide signal setup of orvek_verify: broken pipes and the crash handler.

namespace orvek_verify {

/// Ignores SIGPIPE, so that a write to a closed standard error fails instead of killing the process.
void ignoreBrokenPipe() noexcept;

/// Installs the crash handler for SIGSEGV, SIGBUS and SIGILL.
///
/// The handler runs on its own signal stack (a stack overflow still gets reported), writes
/// "*** {SIGNAL} ({description}) at address 0x{x} ***" and a stack trace to standard error with
/// async-signal-safe calls only, and then lets the process die by the same signal.
void installCrashHandler() noexcept;

}  // namespace orvek_verify
