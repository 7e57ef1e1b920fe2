#pragma once
/// The build-tool mode ("--listen=-"): requests on standard input, JSON replies on standard output.
///
/// The protocol is described in PROTOCOL.md beside this file.

#include <span>

#include "verify/case.hpp"
#include "verify/sink.hpp"
#include "verify/source.hpp"

namespace orvek_verify {

/// Serves one session: reads request lines from `requests` until "quit" or end of input and writes
/// one JSON reply line per request to `replies`; report text of the cases run goes to `report`.
/// Returns the exit status: 0 when every case run passed or was skipped, none leaked and no error
/// was logged, else 1.
int runListenSession(std::span<const Case> cases, Source& requests, Sink& replies, Sink& report) noexcept;

}  // namespace orvek_verify
