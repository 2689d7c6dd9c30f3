// zraddrres explain: for each port, every reader the library tried, in
// order, with what came of it, where it is documented to read the registry,
// the time it took, and the answer. Read from the library's own trace of the
// call (TraceSteps.h), so it says what the library did.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tools/zraddrres/Outcome.h"
#include "tools/zraddrres/TraceSteps.h"

namespace zrtool {

struct ExplainOptions {
  std::vector<std::string> ports;  // ANSI
  bool json = false;
};

// Exit 0 when every port resolved, 1 when one did not or is unknown.
int Explain(const ExplainOptions& options);

// One port's account, as explain --json writes it (texts in UTF-8). The
// monitor readers' misses are told apart by whether the monitor configures
// the port at all, which the registry says.
nlohmann::json AccountJson(const std::string& port, const Outcome& outcome);

}  // namespace zrtool
