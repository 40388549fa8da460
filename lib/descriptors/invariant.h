#ifndef VEXLOR_DESCRIPTORS_INVARIANT_H_
#define VEXLOR_DESCRIPTORS_INVARIANT_H_

// Guards an invariant of the descriptor computation that no icon can break.
// Unlike assert() it stays on in release builds; a broken invariant prints
// "file:line: Assertion `condition' failed." on standard error and aborts.
#define DESCRIPTORS_INVARIANT(condition)                      \
  do {                                                        \
    if (!(condition)) [[unlikely]]                            \
      ::vexlor::DescriptorsInvariantFailed(#condition, __FILE__, __LINE__); \
  } while (0)

namespace vexlor {

[[noreturn]] void DescriptorsInvariantFailed(const char* condition,
                                             const char* file, int line);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_INVARIANT_H_
