#include <cstdio>
#include <iostream>
#include <vector>

#include "vexlor/console_report.h"

namespace vexlor {

// The listing of a record. Labels go through std::cout and values through
// printf; both reach standard output in program order because the C++ streams
// stay synchronised with stdio (the default, which the tool never changes).

namespace {

struct Section {
  const char* label;
  std::uint32_t first;
  std::uint32_t end;
  std::uint32_t rowLength;
};

template <typename T>
void PrintSection(const Section& section, const std::vector<T>& values,
                  const char* format) {
  std::cout << section.label;
  for (std::uint32_t i = section.first; i < section.end; ++i) {
    if ((i - section.first) % section.rowLength == 0) std::printf("\n");
    std::printf(format, values[i]);
  }
}

// Prints `section` of the TinyInt vector or of the double vector.
void PrintEither(const Section& section, RecordForm form,
                 const std::vector<std::uint32_t>& integers,
                 const std::vector<double>& doubles, const char* doubleFormat) {
  if (form == RecordForm::kTinyInt)
    PrintSection(section, integers, "%3d ");
  else
    PrintSection(section, doubles, doubleFormat);
}

constexpr const char* kDescriptorFormat = "%2.3f ";
constexpr const char* kWeightFormat = "%2.2f ";

}  // namespace

void PrintResults(const Descriptors& d, RecordForm form) {
  PrintDescriptors(d, form);
  PrintWeights(d, form);
  PrintRanges(d, form);
}

void PrintDescriptors(const Descriptors& d, RecordForm form) {
  PrintEither({"\nRec Derivative(Lab) Descriptors: ", 0, derivative_desc_length, 8},
              form, d.recDescInt(), d.recDesc(), kDescriptorFormat);
  PrintEither({"\nRec Lab Descriptor: ", derivative_desc_length, rec_desc_length, 6},
              form, d.recDescInt(), d.recDesc(), kDescriptorFormat);
  PrintEither({"\nGroup Derivative(L) Descriptors: ", 0, group_derivative_desc_length, 8},
              form, d.groupDescInt(), d.groupDesc(), kDescriptorFormat);
  PrintEither({"\nGroup Derivative(L)middle Descriptor: ", group_derivative_desc_length,
               group_desc_length, 8},
              form, d.groupDescInt(), d.groupDesc(), kDescriptorFormat);
}

void PrintWeights(const Descriptors& d, RecordForm form) {
  PrintEither({"\nRec Derivative(Lab) Weights: ", 0, derivative_desc_length, 8},
              form, d.recWeightsInt(), d.recWeights(), kWeightFormat);
  PrintEither({"\nRec Lab Weights: ", derivative_desc_length, rec_desc_length, 6},
              form, d.recWeightsInt(), d.recWeights(), kWeightFormat);
}

void PrintRanges(const Descriptors& d, RecordForm form) {
  PrintEither({"\nGroup Derivative(L) Ranges: ", 0, group_derivative_desc_length, 8},
              form, d.groupRangesInt(), d.groupRanges(), kWeightFormat);
  PrintEither({"\nGroup Derivative(L)middle Ranges: ", group_derivative_desc_length,
               group_desc_length, 8},
              form, d.groupRangesInt(), d.groupRanges(), kWeightFormat);
}

}  // namespace vexlor
