// The engine's process-wide objects.
#include "rules/rule_state.h"

RuleEngineState& EngineState() {
  static RuleEngineState state;
  return state;
}

std::mutex& EngineLock() {
  static std::mutex lock;
  return lock;
}
