#pragma once
// The split job's engine runner on QProcess.

#include "splitter/core/engine_runner.h"

namespace lumo::splitter {

EngineResult RunWithQProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::function<void()>& yield);

}  // namespace lumo::splitter
