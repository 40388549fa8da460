#ifndef VEXLOR_APP_USAGE_H_
#define VEXLOR_APP_USAGE_H_

// Prints the usage text on standard output.
void PrintUsage();

// The bad-arguments answer: "\nERROR: bad arguments.\n", then the usage text.
void PrintBadArguments();

#endif  // VEXLOR_APP_USAGE_H_
