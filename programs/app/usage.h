#ifndef VEXLOR_APP_USAGE_H_
#define VEXLOR_APP_USAGE_H_

namespace vexlor {

// Prints the usage text on standard output.
void PrintUsage();

// The bad-arguments answer: "\nERROR: bad arguments.\n", then the usage text.
void PrintBadArguments();

}  // namespace vexlor

#endif  // VEXLOR_APP_USAGE_H_
