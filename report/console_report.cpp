#include <cstdio>
#include <iostream>
#include <vector>

#include "descriptors/descriptors.h"

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
void PrintEither(const Section& section, bool tinyInt,
                 const std::vector<std::uint32_t>& integers,
                 const std::vector<double>& doubles, const char* doubleFormat) {
  if (tinyInt)
    PrintSection(section, integers, "%3d ");
  else
    PrintSection(section, doubles, doubleFormat);
}

constexpr const char* kDescriptorFormat = "%2.3f ";
constexpr const char* kWeightFormat = "%2.2f ";

}  // namespace

void Descriptors::PrintResults(bool tinyInt) const {
  PrintDescriptors(tinyInt);
  PrintWeights(tinyInt);
  PrintRanges(tinyInt);
}

void Descriptors::PrintDescriptors(bool tinyInt) const {
  PrintEither({"\nRec Derivative(Lab) Descriptors: ", 0, derivative_desc_length, 8},
              tinyInt, recDescInt, recDesc, kDescriptorFormat);
  PrintEither({"\nRec Lab Descriptor: ", derivative_desc_length, rec_desc_length, 6},
              tinyInt, recDescInt, recDesc, kDescriptorFormat);
  PrintEither({"\nGroup Derivative(L) Descriptors: ", 0, group_derivative_desc_length, 8},
              tinyInt, groupDescInt, groupDesc, kDescriptorFormat);
  PrintEither({"\nGroup Derivative(L)middle Descriptor: ", group_derivative_desc_length,
               group_desc_length, 8},
              tinyInt, groupDescInt, groupDesc, kDescriptorFormat);
}

void Descriptors::PrintWeights(bool tinyInt) const {
  PrintEither({"\nRec Derivative(Lab) Weights: ", 0, derivative_desc_length, 8},
              tinyInt, recWeightsInt, recWeights, kWeightFormat);
  PrintEither({"\nRec Lab Weights: ", derivative_desc_length, rec_desc_length, 6},
              tinyInt, recWeightsInt, recWeights, kWeightFormat);
}

void Descriptors::PrintRanges(bool tinyInt) const {
  PrintEither({"\nGroup Derivative(L) Ranges: ", 0, group_derivative_desc_length, 8},
              tinyInt, groupRangesInt, groupRanges, kWeightFormat);
  PrintEither({"\nGroup Derivative(L)middle Ranges: ", group_derivative_desc_length,
               group_desc_length, 8},
              tinyInt, groupRangesInt, groupRanges, kWeightFormat);
}
